# Install layout of the module: libraries with versioned sonames and their plain .so
# links, programs, public headers, one pkg-config file per library and the CMake package
# "orvo". Components: "module" (what the module image carries), "dev" (headers and the
# files that let applications find the libraries) and "sim" (stand-ins and simulators).
include_guard(GLOBAL)
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(ORVO_PACKAGE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/orvo)
set(ORVO_TEMPLATES ${CMAKE_CURRENT_LIST_DIR})

# Path from an install folder back to the prefix, so the generated files stay right
# wherever the tree is installed or staged (--prefix, DESTDIR, an SDK sysroot).
function(orvo_path_to_prefix out folder)
    file(RELATIVE_PATH rel /${folder} /)
    string(REGEX REPLACE "/$" "" rel "${rel}")
    set(${out} ${rel} PARENT_SCOPE)
endfunction()

# orvo_product_library(target [HEADERS header...] [DESCRIPTION text])
# A deliverable library. HEADERS (relative to include/) default to the one header named
# after the library: lib<name>.h or <name>.h, with '-' or '_'.
function(orvo_product_library target)
    cmake_parse_arguments(L "" "DESCRIPTION" "HEADERS" ${ARGN})
    set_target_properties(${target} PROPERTIES ORVO_INSTALLED TRUE)
    get_target_property(name ${target} OUTPUT_NAME)
    if(NOT name)
        set(name ${target})
    endif()
    if(NOT L_HEADERS)
        string(REPLACE "-" "_" underscored ${name})
        foreach(candidate lib${name}.h ${name}.h lib${underscored}.h ${underscored}.h)
            if(EXISTS ${CMAKE_SOURCE_DIR}/include/${candidate})
                set(L_HEADERS ${candidate})
                break()
            endif()
        endforeach()
        if(NOT L_HEADERS)
            # The install checks fail on a library without a header.
            message(WARNING "orvo_product_library(${target}): no header named after it "
                            "in include/; name it with HEADERS")
        endif()
    endif()
    if(NOT L_DESCRIPTION)
        set(L_DESCRIPTION "lib${name} of the orvo module")
    endif()

    set_target_properties(${target} PROPERTIES
        VERSION ${PROJECT_VERSION} SOVERSION ${PROJECT_VERSION_MAJOR})
    # The plain .so link goes with the module too: the AT host loads plug-ins by it.
    install(TARGETS ${target} LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT module)
    if(L_HEADERS)
        list(TRANSFORM L_HEADERS PREPEND ${CMAKE_SOURCE_DIR}/include/)
        install(FILES ${L_HEADERS} DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} COMPONENT dev)
    endif()

    set(ORVO_NAME ${name})
    set(ORVO_DESCRIPTION ${L_DESCRIPTION})
    set(ORVO_VERSION ${PROJECT_VERSION})
    set(ORVO_LIBDIR ${CMAKE_INSTALL_LIBDIR})
    set(ORVO_INCLUDEDIR ${CMAKE_INSTALL_INCLUDEDIR})
    set(ORVO_SONAME lib${name}.so.${PROJECT_VERSION_MAJOR})
    set(ORVO_FILE lib${name}.so.${PROJECT_VERSION})
    set(ORVO_TARGET ${target})

    orvo_path_to_prefix(ORVO_PC_TO_PREFIX ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
    set(pc ${CMAKE_BINARY_DIR}/pkgconfig/lib${name}.pc)
    configure_file(${ORVO_TEMPLATES}/orvo-library.pc.in ${pc} @ONLY)
    install(FILES ${pc} DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig COMPONENT dev)

    orvo_path_to_prefix(ORVO_CMAKE_TO_PREFIX ${ORVO_PACKAGE_DIR})
    set(imported ${CMAKE_BINARY_DIR}/cmake/lib${name}-target.cmake)
    configure_file(${ORVO_TEMPLATES}/orvo-library.cmake.in ${imported} @ONLY)
    install(FILES ${imported} DESTINATION ${ORVO_PACKAGE_DIR} COMPONENT dev)
endfunction()

# orvo_product_program(target [DAEMON]): a deliverable program; daemons go to sbin.
function(orvo_product_program target)
    cmake_parse_arguments(P "DAEMON" "" "" ${ARGN})
    if(P_DAEMON)
        set(destination ${CMAKE_INSTALL_SBINDIR})
    else()
        set(destination ${CMAKE_INSTALL_BINDIR})
    endif()
    install(TARGETS ${target} RUNTIME DESTINATION ${destination} COMPONENT module)
    set_target_properties(${target} PROPERTIES ORVO_INSTALLED TRUE)
endfunction()

# Install rules for every deliverable of the module that is part of the build and has
# none yet; called once after all product folders.
function(orvo_install_deliverables)
    foreach(library orvo-autosuspend orvo-kesl-autosuspend orvo-at-common qxipc orvo-kesl-sms)
        if(TARGET ${library})
            get_target_property(done ${library} ORVO_INSTALLED)
            if(NOT done)
                orvo_product_library(${library})
            endif()
        endif()
    endforeach()
    foreach(program orvo-kesl-autosuspend-demo wlan_dual_demo wlan_rftest_demo orvo-default
                    paramlinkd)
        if(TARGET ${program})
            get_target_property(done ${program} ORVO_INSTALLED)
            if(NOT done AND program STREQUAL "paramlinkd")
                orvo_product_program(${program} DAEMON)
            elseif(NOT done)
                orvo_product_program(${program})
            endif()
        endif()
    endforeach()
endfunction()

# The package "orvo": find_package(orvo [COMPONENTS name...]) gives orvo::<name> for each
# installed library.
configure_file(${ORVO_TEMPLATES}/orvoConfig.cmake.in ${CMAKE_BINARY_DIR}/cmake/orvoConfig.cmake
               @ONLY)
write_basic_package_version_file(${CMAKE_BINARY_DIR}/cmake/orvoConfigVersion.cmake
                                 VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_BINARY_DIR}/cmake/orvoConfig.cmake
              ${CMAKE_BINARY_DIR}/cmake/orvoConfigVersion.cmake
        DESTINATION ${ORVO_PACKAGE_DIR} COMPONENT dev)
