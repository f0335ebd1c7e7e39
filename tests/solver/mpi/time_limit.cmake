# A time limit that stops solver-mpi half-way (QSITime in a QSI run, Time in
# an F* run): the limit counts every rank's processor seconds, so the
# reported time is near the limit (not the limit times the number of
# ranks), and the run says that the limit stopped it.
#   -DSOLVER_MPI=path -DLAUNCHER=command;args -DPROBLEM=file -DWORK_DIR=dir
cmake_minimum_required(VERSION 3.25)

set(limit 0.5)
file(REMOVE_RECURSE "${WORK_DIR}")
file(MAKE_DIRECTORY "${WORK_DIR}")
file(READ "${PROBLEM}" problem)
if(problem MATCHES "Algorithm=QSI;")
    string(REPLACE "Algorithm=QSI;" "Algorithm=QSI;\nQSITime=${limit};" problem "${problem}")
    set(said "time limit QSITime=${limit} s reached with [1-9][0-9]* boxes left undecided")
else()
    string(REGEX REPLACE "(Algorithm=[A-Z]+;)" "\\1\nTime=${limit};" problem "${problem}")
    set(said "time limit Time=${limit} s reached")
endif()
file(WRITE "${WORK_DIR}/timed.txt" "${problem}")
execute_process(COMMAND ${LAUNCHER} "${SOLVER_MPI}" timed WORKING_DIRECTORY "${WORK_DIR}"
                RESULT_VARIABLE rc OUTPUT_QUIET ERROR_VARIABLE err)
if(NOT rc EQUAL 0)
    message(FATAL_ERROR "exit status ${rc}: ${err}")
endif()
if(NOT err MATCHES "${said}")
    message(FATAL_ERROR "the run does not say that its time limit stopped it: ${err}")
endif()
file(STRINGS "${WORK_DIR}/timedSolution.txt" line REGEX "^Computation Time[^:]*:")
string(REGEX REPLACE "^Computation Time[^:]*:" "" seconds "${line}")
# The limit is checked every few boxes or steps, and workers report their
# time every few milliseconds: a run passes it by little.
if(seconds LESS ${limit} OR seconds GREATER 0.8)
    message(FATAL_ERROR "Computation Time ${seconds} s for QSITime=${limit}")
endif()
