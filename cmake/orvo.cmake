# SPDX-License-Identifier: MIT
# Build helpers shared by every folder of the project.
include(${CMAKE_CURRENT_LIST_DIR}/orvo-deliverable.cmake)

if(ORVO_SANITIZE STREQUAL "address")
    add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer
                        -fno-sanitize-recover=undefined)
    add_link_options(-fsanitize=address,undefined)
elseif(ORVO_SANITIZE STREQUAL "thread")
    add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
    add_link_options(-fsanitize=thread)
elseif(NOT ORVO_SANITIZE STREQUAL "")
    message(FATAL_ERROR "ORVO_SANITIZE must be empty, 'address' or 'thread'")
endif()

# Warnings for the project's own targets (not for GoogleTest).
function(orvo_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra)
    if(ORVO_WERROR)
        target_compile_options(${target} PRIVATE -Werror)
    endif()
endfunction()

# GoogleTest: built from Debian's sources where they are (so that a sanitizer build
# instruments it as well), otherwise an installed one found by find_package(GTest).
set(ORVO_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources (Debian's googletest)")
function(orvo_setup_gtest)
    if(EXISTS ${ORVO_GTEST_SOURCE}/CMakeLists.txt)
        set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
        set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
        add_subdirectory(${ORVO_GTEST_SOURCE} ${PROJECT_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
        foreach(target gtest gtest_main gmock gmock_main)
            orvo_test_code(${target})
        endforeach()
        return()
    endif()
    find_package(GTest)
    if(NOT TARGET GTest::gmock OR NOT TARGET GTest::gtest_main)
        message(FATAL_ERROR "GoogleTest with gmock not found (apt-get install googletest, "
                            "or -DBUILD_TESTING=OFF to build the product alone)")
    endif()
    # The names the tests link by, as with the sources.
    add_library(gmock ALIAS GTest::gmock)
    add_library(gtest_main ALIAS GTest::gtest_main)
endfunction()

# orvo_tests(): a folder's tests (its tests/ folder), when tests are built.
macro(orvo_tests)
    if(BUILD_TESTING)
        add_subdirectory(tests)
    endif()
endmacro()

# Test programs and GoogleTest itself are compiled for a quick build: light optimisation and
# line tables only (stack traces keep their lines). The code under test keeps the build's
# own flags.
function(orvo_test_code target)
    target_compile_options(${target} PRIVATE $<$<NOT:$<CONFIG:Debug>>:-O1 -g1>)
endfunction()

# The sandbox launcher used by every test that needs the simulated module (label
# "sandbox"). The simulated module runs on the build machine only: a cross build takes it
# from a host build and runs its test programs in it under the emulator.
set(ORVO_MODULE ${PROJECT_SOURCE_DIR}/sim/module)
if(CMAKE_CROSSCOMPILING)
    set(ORVO_SANDBOX_BUILD ${PROJECT_SOURCE_DIR}/build CACHE PATH
        "Host build whose simulated module runs the cross-built tests")
    set(ORVO_RUN_IN_SANDBOX ${ORVO_MODULE} --build ${ORVO_SANDBOX_BUILD} run
        ${CMAKE_CROSSCOMPILING_EMULATOR})
else()
    set(ORVO_RUN_IN_SANDBOX ${ORVO_MODULE} --build ${PROJECT_BINARY_DIR} run)
endif()

# orvo_gtest(NAME SOURCES src... [LIBS lib...] [SANDBOX] [STRICT SEED])
# A GoogleTest program; with SANDBOX it runs inside a simulated module of its own, with
# STRICT on a strict platform of that seed (host builds only).
function(orvo_gtest name)
    cmake_parse_arguments(T "SANDBOX" "STRICT" "SOURCES;LIBS" ${ARGN})
    if(NOT BUILD_TESTING OR (T_STRICT AND CMAKE_CROSSCOMPILING))
        return()
    endif()
    add_executable(${name} ${T_SOURCES})
    orvo_warnings(${name})
    orvo_test_code(${name})
    target_link_libraries(${name} PRIVATE ${T_LIBS} orvo_testkit gmock gtest_main)
    if(T_STRICT)
        target_link_libraries(${name} PRIVATE orvo_simclient)
        add_test(NAME ${name} COMMAND ${ORVO_MODULE} --build ${PROJECT_BINARY_DIR}
                 --strict=${T_STRICT} run $<TARGET_FILE:${name}>)
        set_tests_properties(${name} PROPERTIES LABELS sandbox)
    elseif(T_SANDBOX)
        # Tests reach the simulated module through its client API only.
        target_link_libraries(${name} PRIVATE orvo_simclient)
        add_test(NAME ${name} COMMAND ${ORVO_RUN_IN_SANDBOX} $<TARGET_FILE:${name}>)
        set_tests_properties(${name} PROPERTIES LABELS sandbox)
    else()
        add_test(NAME ${name} COMMAND ${name})
    endif()
endfunction()

# orvo_sandbox_test(NAME script [args...]): a shell test run inside its own simulated module.
# Scripts drive the programs of a host build, so a cross build leaves them out.
function(orvo_sandbox_test name script)
    if(NOT BUILD_TESTING OR CMAKE_CROSSCOMPILING)
        return()
    endif()
    add_test(NAME ${name} COMMAND ${ORVO_RUN_IN_SANDBOX} bash ${script} ${ARGN})
    set_tests_properties(${name} PROPERTIES LABELS sandbox
        ENVIRONMENT "ORVO_SRC=${PROJECT_SOURCE_DIR};ORVO_BUILD=${PROJECT_BINARY_DIR}")
endfunction()

# orvo_fault_gtest(NAME SOURCE [THREADS] LIBS lib...): fault-injection cases, a GoogleTest
# program whose TEST_F cases each run as a test of their own (fault.SUITE.CASE, label fault)
# in a fresh simulated module; THREADS adds them to the thread checking build.
function(orvo_fault_gtest name source)
    if(NOT BUILD_TESTING)
        return()
    endif()
    cmake_parse_arguments(F "THREADS" "" "LIBS" ${ARGN})
    set(labels fault sandbox)
    if(F_THREADS)
        list(APPEND labels threads)
    endif()
    add_executable(${name} ${source})
    orvo_warnings(${name})
    orvo_test_code(${name})
    target_link_libraries(${name} PRIVATE ${F_LIBS} orvo_simclient orvo_testkit gmock gtest_main)
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
    file(STRINGS ${source} cases REGEX "^TEST_F\\(")
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
                 ${CMAKE_CURRENT_SOURCE_DIR}/${source})
    foreach(case IN LISTS cases)
        string(REGEX REPLACE "^TEST_F\\(([A-Za-z0-9_]+), ([A-Za-z0-9_]+)\\).*" "\\1.\\2" case
               "${case}")
        add_test(NAME fault.${case}
                 COMMAND ${ORVO_RUN_IN_SANDBOX} $<TARGET_FILE:${name}> --gtest_filter=${case})
        set_tests_properties(fault.${case} PROPERTIES LABELS "${labels}")
    endforeach()
endfunction()

# orvo_fault_script(SCRIPT CASE...): fault-injection cases of a shell script, run once per
# case in a fresh simulated module (fault.GROUP.CASE, GROUP the script's name without _test).
function(orvo_fault_script script)
    if(NOT BUILD_TESTING OR CMAKE_CROSSCOMPILING)
        return() # the scripts drive host programs
    endif()
    get_filename_component(group ${script} NAME_WE)
    string(REGEX REPLACE "_test$" "" group ${group})
    foreach(case IN LISTS ARGN)
        orvo_sandbox_test(fault.${group}.${case} ${CMAKE_CURRENT_SOURCE_DIR}/${script} ${case})
        set_property(TEST fault.${group}.${case} APPEND PROPERTY LABELS fault)
    endforeach()
endfunction()

# orvo_exports(target list): the library exports exactly the names in the list (one per
# line, C++ names mangled): a linker version script keeps inline library code that the
# headers mark visible (std:: templates) local, and a test checks the dynamic symbol table.
function(orvo_exports target list)
    set(list ${CMAKE_CURRENT_SOURCE_DIR}/${list})
    file(STRINGS ${list} lines)
    set(script "{\n  global:\n")
    foreach(line IN LISTS lines)
        string(REGEX REPLACE "#.*" "" line "${line}")
        string(STRIP "${line}" line)
        if(line)
            string(APPEND script "    ${line};\n")
        endif()
    endforeach()
    string(APPEND script "  local: *;\n};\n")
    set(out ${CMAKE_CURRENT_BINARY_DIR}/${target}.map)
    file(WRITE ${out} "${script}")
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${list})
    target_link_options(${target} PRIVATE -Wl,--version-script=${out})
    set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${out})
    if(NOT BUILD_TESTING)
        return()
    endif()
    add_test(NAME exports_${target}
             COMMAND ${PROJECT_SOURCE_DIR}/tests/check_exports.sh $<TARGET_FILE:${target}> ${list})
endfunction()
include(${CMAKE_CURRENT_LIST_DIR}/fuzz.cmake)
