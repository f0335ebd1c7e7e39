# For the scripts that run solver and solver-mpi on one problem: a fresh
# folder for each run, holding the problem file (`name` is the problem's,
# `solo` the folder of solver's run, `spread` that of solver-mpi's), and
# must_match, which fails the test where the two runs differ.
get_filename_component(name "${PROBLEM}" NAME_WE)
set(solo "${WORK_DIR}/${name}/solver")
set(spread "${WORK_DIR}/${name}/solver-mpi")
foreach(dir "${solo}" "${spread}")
    file(REMOVE_RECURSE "${dir}")
    file(MAKE_DIRECTORY "${dir}")
    file(COPY "${PROBLEM}" DESTINATION "${dir}")
endforeach()

function(must_match what a b)
    if(NOT a STREQUAL b)
        message(FATAL_ERROR "${name}: ${what} differs:\nsolver:\n${a}\nsolver-mpi:\n${b}")
    endif()
endfunction()
