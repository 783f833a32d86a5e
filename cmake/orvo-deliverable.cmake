# SPDX-License-Identifier: MIT
# Each deliverable of the module is declared once, in its own folder, by orvo_deliverable():
# its kind, its version and soname, its install rules, its pkg-config and CMake package
# files, and its line in the manifest <build>/deliverables.txt, which the footprint script
# and the install checks read.
#
# Install components: "module" (what the module image carries), "dev" (headers and the files
# that let applications find the libraries), "doc" (manual pages) and "sim" (stand-ins and
# simulators).
include_guard(GLOBAL)
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(ORVO_PACKAGE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/orvo)
set(ORVO_TEMPLATES ${CMAKE_CURRENT_LIST_DIR})
set(ORVO_MANIFEST ${PROJECT_BINARY_DIR}/deliverables.txt)

# Path from an install folder back to the prefix, so the generated files stay right
# wherever the tree is installed or staged (--prefix, DESTDIR, an SDK sysroot).
function(orvo_path_to_prefix out folder)
    file(RELATIVE_PATH rel /${folder} /)
    string(REGEX REPLACE "/$" "" rel "${rel}")
    set(${out} ${rel} PARENT_SCOPE)
endfunction()

# One manifest line: kind, installed name, file name, soname, version, install folder
# (relative to the prefix), the built file, and "plugin" for a library loaded by name.
function(orvo_manifest_line kind name file soname version folder target)
    string(JOIN " " line ${kind} ${name} ${file} ${soname} ${version} ${folder}
           $<TARGET_FILE:${target}> ${ARGN})
    set_property(GLOBAL APPEND PROPERTY ORVO_MANIFEST_LINES "${line}")
endfunction()

function(orvo_write_manifest)
    get_property(lines GLOBAL PROPERTY ORVO_MANIFEST_LINES)
    set(text "# kind name file soname version install-folder built-file [plugin]\n")
    foreach(line IN LISTS lines)
        string(APPEND text "${line}\n")
    endforeach()
    file(GENERATE OUTPUT ${ORVO_MANIFEST} CONTENT "${text}")
endfunction()
cmake_language(DEFER DIRECTORY ${PROJECT_SOURCE_DIR} CALL orvo_write_manifest)

# orvo_deliverable(target LIBRARY SOVERSION n [VERSION x.y.z] [HEADERS header...]
#                  [DESCRIPTION text] [PLUGIN])
# orvo_deliverable(target PROGRAM | DAEMON)
# A library installs as lib<name>.so.<VERSION> (default <SOVERSION>.0.0) with the soname
# lib<name>.so.<SOVERSION> (module) and the plain lib<name>.so link (dev, which only
# linking needs; module too for a PLUGIN, which its host loads by that name); HEADERS
# (relative to include/) default to the one header named after it: lib<name>.h or <name>.h,
# with '-' or '_'. Programs go to bin, daemons to sbin.
function(orvo_deliverable target kind)
    if(kind STREQUAL "LIBRARY")
        orvo_deliverable_library(${target} ${ARGN})
    elseif(kind STREQUAL "PROGRAM" OR kind STREQUAL "DAEMON")
        if(ARGN)
            message(FATAL_ERROR "orvo_deliverable(${target} ${kind}): unexpected ${ARGN}")
        endif()
        if(kind STREQUAL "DAEMON")
            set(folder ${CMAKE_INSTALL_SBINDIR})
        else()
            set(folder ${CMAKE_INSTALL_BINDIR})
        endif()
        install(TARGETS ${target} RUNTIME DESTINATION ${folder} COMPONENT module)
        orvo_manual_page(${target} ${kind})
        string(TOLOWER ${kind} lower)
        orvo_manifest_line(${lower} ${target} ${target} - - ${folder} ${target})
    else()
        message(FATAL_ERROR "orvo_deliverable(${target}): kind LIBRARY, PROGRAM or DAEMON")
    endif()
endfunction()

# A program's manual page, <name>.1 (a daemon's <name>.8) beside its sources, in the
# component "doc" (a module image leaves it out, an SDK or a package takes it).
function(orvo_manual_page target kind)
    set(section 1)
    if(kind STREQUAL "DAEMON")
        set(section 8)
    endif()
    set(page ${CMAKE_CURRENT_SOURCE_DIR}/${target}.${section})
    if(EXISTS ${page})
        install(FILES ${page} DESTINATION ${CMAKE_INSTALL_MANDIR}/man${section} COMPONENT doc)
    endif()
endfunction()

function(orvo_deliverable_library target)
    cmake_parse_arguments(L "PLUGIN" "SOVERSION;VERSION;DESCRIPTION" "HEADERS" ${ARGN})
    if(NOT DEFINED L_SOVERSION)
        message(FATAL_ERROR "orvo_deliverable(${target} LIBRARY): SOVERSION is required")
    endif()
    if(NOT L_VERSION)
        set(L_VERSION ${L_SOVERSION}.0.0)
    endif()
    get_target_property(name ${target} OUTPUT_NAME)
    if(NOT name)
        set(name ${target})
    endif()
    if(NOT L_HEADERS)
        string(REPLACE "-" "_" underscored ${name})
        foreach(candidate lib${name}.h ${name}.h lib${underscored}.h ${underscored}.h)
            if(EXISTS ${PROJECT_SOURCE_DIR}/include/${candidate})
                set(L_HEADERS ${candidate})
                break()
            endif()
        endforeach()
        if(NOT L_HEADERS)
            # The install checks fail on a library without a header.
            message(WARNING "orvo_deliverable(${target}): no header named after it "
                            "in include/; name it with HEADERS")
        endif()
    endif()
    if(NOT L_DESCRIPTION)
        set(L_DESCRIPTION "lib${name} of the orvo module")
    endif()

    set_target_properties(${target} PROPERTIES VERSION ${L_VERSION} SOVERSION ${L_SOVERSION})
    set(namelink dev)
    set(plugin "")
    if(L_PLUGIN)
        set(namelink module)
        set(plugin plugin)
    endif()
    install(TARGETS ${target} LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT module
                                      NAMELINK_COMPONENT ${namelink})
    if(L_HEADERS)
        list(TRANSFORM L_HEADERS PREPEND ${PROJECT_SOURCE_DIR}/include/)
        install(FILES ${L_HEADERS} DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} COMPONENT dev)
    endif()

    set(ORVO_NAME ${name})
    set(ORVO_DESCRIPTION ${L_DESCRIPTION})
    set(ORVO_VERSION ${L_VERSION})
    set(ORVO_LIBDIR ${CMAKE_INSTALL_LIBDIR})
    set(ORVO_INCLUDEDIR ${CMAKE_INSTALL_INCLUDEDIR})
    set(ORVO_SONAME lib${name}.so.${L_SOVERSION})
    set(ORVO_FILE lib${name}.so.${L_VERSION})
    set(ORVO_TARGET ${target})

    orvo_path_to_prefix(ORVO_PC_TO_PREFIX ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
    set(pc ${PROJECT_BINARY_DIR}/pkgconfig/lib${name}.pc)
    configure_file(${ORVO_TEMPLATES}/orvo-library.pc.in ${pc} @ONLY)
    install(FILES ${pc} DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig COMPONENT dev)

    orvo_path_to_prefix(ORVO_CMAKE_TO_PREFIX ${ORVO_PACKAGE_DIR})
    set(imported ${PROJECT_BINARY_DIR}/cmake/lib${name}-target.cmake)
    configure_file(${ORVO_TEMPLATES}/orvo-library.cmake.in ${imported} @ONLY)
    install(FILES ${imported} DESTINATION ${ORVO_PACKAGE_DIR} COMPONENT dev)

    orvo_manifest_line(library lib${name} ${ORVO_FILE} ${ORVO_SONAME} ${L_VERSION}
                       ${CMAKE_INSTALL_LIBDIR} ${target} ${plugin})
endfunction()

# Service files of the programs that an image starts at boot, for the init systems named in
# ORVO_INIT_SYSTEM (a list of sysvinit, systemd and procd; empty: none), in the module
# component under the paths each of them reads.
set(ORVO_INIT_SYSTEM "sysvinit" CACHE STRING "Init systems to install service files for: sysvinit;systemd;procd")
set(ORVO_SYSTEMD_UNITDIR ${CMAKE_INSTALL_PREFIX}/lib/systemd/system CACHE PATH "systemd's unit folder")

# orvo_service(name ORDER nn): init/<name>.sysvinit as /etc/init.d/S<nn><name> (busybox and
# sysvinit rc run them in name order), init/<name>.service as a systemd unit,
# init/<name>.procd as OpenWrt's /etc/init.d/<name>. @CMAKE_INSTALL_FULL_BINDIR@ and the
# like in them become the install's folders; the results are in <build>/init/ too.
function(orvo_service name)
    cmake_parse_arguments(S "" "ORDER" "" ${ARGN})
    set(init_d ${CMAKE_INSTALL_FULL_SYSCONFDIR}/init.d)
    set(from ${PROJECT_BINARY_DIR}/init/${name})
    foreach(kind sysvinit service procd)
        configure_file(${CMAKE_CURRENT_SOURCE_DIR}/init/${name}.${kind} ${from}.${kind} @ONLY)
    endforeach()
    foreach(system IN LISTS ORVO_INIT_SYSTEM)
        if(system STREQUAL "sysvinit")
            install(PROGRAMS ${from}.sysvinit DESTINATION ${init_d} RENAME S${S_ORDER}${name}
                    COMPONENT module)
        elseif(system STREQUAL "systemd")
            install(FILES ${from}.service DESTINATION ${ORVO_SYSTEMD_UNITDIR} COMPONENT module)
        elseif(system STREQUAL "procd")
            install(PROGRAMS ${from}.procd DESTINATION ${init_d} RENAME ${name} COMPONENT module)
        else()
            message(FATAL_ERROR "ORVO_INIT_SYSTEM: unknown init system '${system}'")
        endif()
    endforeach()
endfunction()

# The package "orvo": find_package(orvo [COMPONENTS name...]) gives orvo::<name> for each
# installed library.
configure_package_config_file(${ORVO_TEMPLATES}/orvoConfig.cmake.in
                              ${PROJECT_BINARY_DIR}/cmake/orvoConfig.cmake
                              INSTALL_DESTINATION ${ORVO_PACKAGE_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/cmake/orvoConfigVersion.cmake
                                 VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/cmake/orvoConfig.cmake
              ${PROJECT_BINARY_DIR}/cmake/orvoConfigVersion.cmake
        DESTINATION ${ORVO_PACKAGE_DIR} COMPONENT dev)
