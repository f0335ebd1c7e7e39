# For the scripts that run solver and solver-mpi on one problem: a fresh
# folder for each run, holding the problem file; `name` is the problem's,
# `solo` the folder of solver's run, `spread` that of solver-mpi's.
get_filename_component(name "${PROBLEM}" NAME_WE)
set(solo "${WORK_DIR}/${name}/solver")
set(spread "${WORK_DIR}/${name}/solver-mpi")
foreach(dir "${solo}" "${spread}")
    file(REMOVE_RECURSE "${dir}")
    file(MAKE_DIRECTORY "${dir}")
    file(COPY "${PROBLEM}" DESTINATION "${dir}")
endforeach()
