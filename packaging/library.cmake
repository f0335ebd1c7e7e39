# The solver as a library for other programs, in the install component
# "dev": the headers, three static libraries, the CMake package
# (find_package(ModalInterval CONFIG)) and the pkg-config file
# modal-interval.pc.
#
# Each installed library archives the objects of the build's own targets, so
# nothing is compiled twice, and a user links one library per part:
#   modal::interval  libmodal-interval.a  interval/
#   modal::solver    libmodal-solver.a    include/modal's API and the solver folders
#                                         under it (model, fstar, sets, language, api)
#   modal::glucose   libmodal-glucose.a   glucosim/core (with Qt 6 Core)
# The headers go to include/modal-interval/ (modal/, interval/ and
# glucosim/core/), which the targets and modal-interval.pc put on the include
# path, so that they are included as in this source tree.
include(CMakePackageConfigHelpers)
find_package(Threads REQUIRED)

set(MODAL_INCLUDE_ROOT ${CMAKE_INSTALL_INCLUDEDIR}/modal-interval)
set(MODAL_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/ModalInterval)
set(MODAL_PKGCONFIG_DIR ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

add_library(modal_interval STATIC $<TARGET_OBJECTS:interval>)
# Lowest layer first; a new solver folder library belongs in this list.
add_library(modal_solver STATIC
    $<TARGET_OBJECTS:solver_model>
    $<TARGET_OBJECTS:solver_contract>
    $<TARGET_OBJECTS:solver_fstar>
    $<TARGET_OBJECTS:solver_sets>
    $<TARGET_OBJECTS:solver_language>
    $<TARGET_OBJECTS:solver_api>)
add_library(modal_glucose STATIC $<TARGET_OBJECTS:glucosim_core>)
target_compile_features(modal_interval INTERFACE cxx_std_20)
target_link_libraries(modal_solver INTERFACE modal_interval Threads::Threads)
target_link_libraries(modal_glucose INTERFACE modal_interval Qt6::Core)
foreach(part interval solver glucose)
    set_target_properties(modal_${part} PROPERTIES OUTPUT_NAME modal-${part} EXPORT_NAME ${part})
endforeach()
set(MODAL_PC_EXTRA_LIBS "")
if(MODAL_SANITIZE)
    # Objects built with the sanitizers need their runtimes in the program.
    target_link_options(modal_interval INTERFACE -fsanitize=address,undefined)
    set(MODAL_PC_EXTRA_LIBS " -fsanitize=address,undefined")
endif()

install(TARGETS modal_interval modal_solver modal_glucose EXPORT ModalIntervalTargets
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT dev
        INCLUDES DESTINATION ${MODAL_INCLUDE_ROOT})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/include/modal ${PROJECT_SOURCE_DIR}/interval
        DESTINATION ${MODAL_INCLUDE_ROOT} COMPONENT dev FILES_MATCHING PATTERN "*.h")
install(DIRECTORY ${PROJECT_SOURCE_DIR}/glucosim/core DESTINATION ${MODAL_INCLUDE_ROOT}/glucosim
        COMPONENT dev FILES_MATCHING PATTERN "*.h")

install(EXPORT ModalIntervalTargets NAMESPACE modal:: DESTINATION ${MODAL_CMAKE_DIR}
        COMPONENT dev)
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/ModalIntervalConfig.cmake.in
                              ${CMAKE_CURRENT_BINARY_DIR}/ModalIntervalConfig.cmake
                              INSTALL_DESTINATION ${MODAL_CMAKE_DIR})
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/ModalIntervalConfigVersion.cmake
                                 VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/ModalIntervalConfig.cmake
              ${CMAKE_CURRENT_BINARY_DIR}/ModalIntervalConfigVersion.cmake
        DESTINATION ${MODAL_CMAKE_DIR} COMPONENT dev)

# modal-interval.pc names its directories relative to itself (${pcfiledir}),
# so that it stays right under any prefix; a directory set as an absolute
# path stays where it is.
foreach(dir INCLUDEDIR LIBDIR)
    if(IS_ABSOLUTE ${CMAKE_INSTALL_${dir}} OR IS_ABSOLUTE ${MODAL_PKGCONFIG_DIR})
        set(MODAL_PC_${dir} ${CMAKE_INSTALL_FULL_${dir}})
    else()
        file(RELATIVE_PATH relative /prefix/${MODAL_PKGCONFIG_DIR} /prefix/${CMAKE_INSTALL_${dir}})
        string(REGEX REPLACE "/$" "" relative ${relative})
        set(MODAL_PC_${dir} "\${pcfiledir}/${relative}")
    endif()
endforeach()
configure_file(${PROJECT_SOURCE_DIR}/cmake/modal-interval.pc.in
               ${CMAKE_CURRENT_BINARY_DIR}/modal-interval.pc @ONLY)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/modal-interval.pc DESTINATION ${MODAL_PKGCONFIG_DIR}
        COMPONENT dev)

# The development package's own documentation: the client example.
set(MODAL_DEV_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/modal-intervals-dev)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/examples/api DESTINATION ${MODAL_DEV_DOC_DIR}/examples
        COMPONENT dev)
install(FILES ${compressed_dir}/changelog.gz copyright DESTINATION ${MODAL_DEV_DOC_DIR}
        COMPONENT dev)
