# Runs solver and, under the launcher, solver-mpi on one problem file, each
# in a folder of its own, and compares everything they give: exit status,
# standard output, standard error, the result file (its computation-time
# line masked), Tree.txt and the pictures.
#   -DSOLVER=path -DSOLVER_MPI=path -DLAUNCHER=command;args -DPROBLEM=file
#   -DWORK_DIR=dir
cmake_minimum_required(VERSION 3.25)

get_filename_component(name "${PROBLEM}" NAME_WE)
set(solo "${WORK_DIR}/${name}/solver")
set(spread "${WORK_DIR}/${name}/solver-mpi")
foreach(dir "${solo}" "${spread}")
    file(REMOVE_RECURSE "${dir}")
    file(MAKE_DIRECTORY "${dir}")
    file(COPY "${PROBLEM}" DESTINATION "${dir}")
endforeach()

execute_process(COMMAND "${SOLVER}" ${name} WORKING_DIRECTORY "${solo}"
                RESULT_VARIABLE solo_rc OUTPUT_VARIABLE solo_out ERROR_VARIABLE solo_err)
execute_process(COMMAND ${LAUNCHER} "${SOLVER_MPI}" ${name} WORKING_DIRECTORY "${spread}"
                RESULT_VARIABLE spread_rc OUTPUT_VARIABLE spread_out ERROR_VARIABLE spread_err)

function(must_match what a b)
    if(NOT a STREQUAL b)
        message(FATAL_ERROR "${name}: ${what} differs:\nsolver:\n${a}\nsolver-mpi:\n${b}")
    endif()
endfunction()
must_match("exit status" "${solo_rc}" "${spread_rc}")
must_match("standard output" "${solo_out}" "${spread_out}")
must_match("standard error" "${solo_err}" "${spread_err}")

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
