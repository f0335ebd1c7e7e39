# Runs solver and, under the launcher, solver-mpi on one problem file, each
# in a folder of its own, and compares everything they give: exit status,
# standard output, the program's lines on standard error, the result file
# (its computation-time line masked), Tree.txt and the pictures.
#   -DSOLVER=path -DSOLVER_MPI=path -DLAUNCHER=command;args -DPROBLEM=file
#   -DWORK_DIR=dir
cmake_minimum_required(VERSION 3.25)

include(${CMAKE_CURRENT_LIST_DIR}/two_folders.cmake)

execute_process(COMMAND "${SOLVER}" ${name} WORKING_DIRECTORY "${solo}"
                RESULT_VARIABLE solo_rc OUTPUT_VARIABLE solo_out ERROR_VARIABLE solo_err)
execute_process(COMMAND ${LAUNCHER} "${SOLVER_MPI}" ${name} WORKING_DIRECTORY "${spread}"
                RESULT_VARIABLE spread_rc OUTPUT_VARIABLE spread_out ERROR_VARIABLE spread_err)

must_match("exit status" "${solo_rc}" "${spread_rc}")
must_match("standard output" "${solo_out}" "${spread_out}")
# The program's own messages: a launcher may add warnings of its own (about
# the machine it runs on) to the error stream.
function(own_lines out text)
    string(REGEX MATCHALL "(^|\n)solver[^\n]*" lines "${text}")
    string(REPLACE "\n" "" lines "${lines}")
    set(${out} "${lines}" PARENT_SCOPE)
endfunction()
own_lines(solo_lines "${solo_err}")
own_lines(spread_lines "${spread_err}")
must_match("solver's lines on standard error" "${solo_lines}" "${spread_lines}")
string(REGEX REPLACE "(^|\n)solver[^\n]*" "" solo_rest "${solo_err}")
string(STRIP "${solo_rest}" solo_rest)
if(NOT solo_rest STREQUAL "")
    message(FATAL_ERROR "${name}: solver wrote other lines on standard error:\n${solo_err}")
endif()

file(GLOB solo_files RELATIVE "${solo}" "${solo}/*")
file(GLOB spread_files RELATIVE "${spread}" "${spread}/*")
must_match("the set of files written" "${solo_files}" "${spread_files}")
foreach(f IN LISTS solo_files)
    if(f MATCHES "Solution.txt$")
        file(READ "${solo}/${f}" a)
        file(READ "${spread}/${f}" b)
        foreach(v a b)
            string(REGEX REPLACE "Computation Time([^:\n]*):[^\n]*" "Computation Time\\1:" ${v}
                   "${${v}}")
        endforeach()
        must_match("${f}" "${a}" "${b}")
    else()
        file(SHA256 "${solo}/${f}" a)
        file(SHA256 "${spread}/${f}" b)
        must_match("${f}" "${a}" "${b}")
    endif()
endforeach()
