# Runs the solver on one problem file of regression/ and compares its result
# file (the computation-time line masked) and the SHA-256 of its picture with
# the ones kept in regression/expected/.
#   -DSOLVER=path -DCASE=name -DSOURCE_DIR=.../regression -DWORK_DIR=dir
#   [-DTHREADS=n]: the problem runs with "Threads=n;" added after its
#   "Algorithm=" line
#   [-DLAUNCHER=command;args] [-DTAG=text]: the solver runs under the
#   launcher (mpirun -n N, say), its files named after the case and TAG
cmake_minimum_required(VERSION 3.25)

file(READ "${SOURCE_DIR}/${CASE}.txt" problem)
if(DEFINED THREADS)
    string(FIND "${problem}" "Algorithm=" at)
    string(SUBSTRING "${problem}" ${at} -1 tail)
    string(FIND "${tail}" "\n" eol)
    math(EXPR rest "${at} + ${eol} + 1")
    string(SUBSTRING "${problem}" 0 ${rest} head)
    string(SUBSTRING "${problem}" ${rest} -1 tail)
    set(problem "${head}Threads=${THREADS};\n${tail}")
    set(base "${WORK_DIR}/${CASE}_t${THREADS}")
else()
    set(base "${WORK_DIR}/${CASE}")
endif()
if(DEFINED TAG)
    set(base "${base}_${TAG}")
endif()
file(MAKE_DIRECTORY "${WORK_DIR}")
file(REMOVE "${base}Solution.txt" "${base}Image.bmp")
file(WRITE "${base}.txt" "${problem}")

execute_process(COMMAND ${LAUNCHER} "${SOLVER}" "${base}" RESULT_VARIABLE rc OUTPUT_QUIET
                ERROR_VARIABLE errors)
if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${CASE}: solver exited with ${rc}: ${errors}")
endif()

file(READ "${base}Solution.txt" actual)
string(REGEX REPLACE "Computation Time([^:\n]*):[^\n]*" "Computation Time\\1:<masked>" actual
       "${actual}")
file(READ "${SOURCE_DIR}/expected/${CASE}Solution.txt" expected)
if(NOT actual STREQUAL expected)
    file(WRITE "${base}Solution.masked.txt" "${actual}")
    message(FATAL_ERROR "${CASE}: result differs: diff ${SOURCE_DIR}/expected/${CASE}Solution.txt "
                        "${base}Solution.masked.txt")
endif()

if(EXISTS "${SOURCE_DIR}/expected/${CASE}Image.sha256")
    file(READ "${SOURCE_DIR}/expected/${CASE}Image.sha256" expectedHash)
    string(STRIP "${expectedHash}" expectedHash)
    if(NOT EXISTS "${base}Image.bmp")
        message(FATAL_ERROR "${CASE}: no picture written")
    endif()
    file(SHA256 "${base}Image.bmp" actualHash)
    if(NOT actualHash STREQUAL expectedHash)
        message(FATAL_ERROR "${CASE}: picture differs (${actualHash}): see ${base}Image.bmp")
    endif()
endif()
