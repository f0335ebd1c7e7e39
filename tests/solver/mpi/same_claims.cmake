# Runs solver and, under the launcher, solver-mpi on an F* problem, each in a
# folder of its own: the runs may differ in their last digits (the ranks cut
# different strips), never in what they conclude: the exit status, the files
# written, the verdict of a statement, and why the run stopped (a tolerance
# reached, a statement decided, nothing left to refine).
#   -DSOLVER=path -DSOLVER_MPI=path -DLAUNCHER=command;args -DPROBLEM=file
#   -DWORK_DIR=dir
cmake_minimum_required(VERSION 3.25)

include(${CMAKE_CURRENT_LIST_DIR}/two_folders.cmake)

execute_process(COMMAND "${SOLVER}" --quiet ${name} WORKING_DIRECTORY "${solo}"
                RESULT_VARIABLE solo_rc OUTPUT_QUIET ERROR_VARIABLE solo_err)
execute_process(COMMAND ${LAUNCHER} "${SOLVER_MPI}" --quiet ${name} WORKING_DIRECTORY "${spread}"
                RESULT_VARIABLE spread_rc OUTPUT_QUIET ERROR_VARIABLE spread_err)

must_match("exit status" "${solo_rc}" "${spread_rc}")
# "solver: stopped: <why>; ...": the reason, without the figures after it.
function(stop_reason out text)
    string(REGEX MATCH "solver: stopped: [^;\n]*" line "${text}")
    string(REGEX REPLACE "final Tol.*" "" line "${line}")
    set(${out} "${line}" PARENT_SCOPE)
endfunction()
stop_reason(solo_stop "${solo_err}")
stop_reason(spread_stop "${spread_err}")
must_match("the reason the run stopped" "${solo_stop}" "${spread_stop}")
file(GLOB solo_files RELATIVE "${solo}" "${solo}/*")
file(GLOB spread_files RELATIVE "${spread}" "${spread}/*")
must_match("the set of files written" "${solo_files}" "${spread_files}")
file(STRINGS "${solo}/${name}Solution.txt" solo_verdict REGEX "^Consistency:")
file(STRINGS "${spread}/${name}Solution.txt" spread_verdict REGEX "^Consistency:")
must_match("the verdict" "${solo_verdict}" "${spread_verdict}")
