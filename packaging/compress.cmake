# Writes IN compressed as Debian wants it (gzip -9n: best compression, no
# name or time in the header) into OUT_DIR/<name of IN>.gz. A man page's
# .TH line gets the project's version (VERSION), which is set in one place.
# Usage: cmake -DIN=FILE -DOUT_DIR=DIR -DVERSION=X.Y.Z -DGZIP=PATH -P compress.cmake
file(READ "${IN}" text)
string(REGEX REPLACE "\"modal-intervals [^\"]*\"" "\"modal-intervals ${VERSION}\"" text
       "${text}")
get_filename_component(name "${IN}" NAME)
file(WRITE "${OUT_DIR}/${name}" "${text}")
execute_process(COMMAND "${GZIP}" -9nf "${OUT_DIR}/${name}" RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "gzip ${OUT_DIR}/${name}: ${status}")
endif()
