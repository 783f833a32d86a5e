# SPDX-License-Identifier: MIT
# libFuzzer targets (clang only): -DORVO_FUZZ=ON builds everything with coverage
# instrumentation plus ASan and UBSan, and adds two tests per target: the seed corpus
# run once (label fuzz_corpus) and a bounded fuzzing run (label fuzz).
option(ORVO_FUZZ "Build the libFuzzer targets (needs clang)" OFF)
set(ORVO_FUZZ_SECONDS 5 CACHE STRING "Seconds of fuzzing per target")

if(ORVO_FUZZ)
    if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
        message(FATAL_ERROR "ORVO_FUZZ needs clang (CC=clang CXX=clang++)")
    endif()
    add_compile_options(-fsanitize=fuzzer-no-link,address,undefined
                        -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
    add_link_options(-fsanitize=address,undefined)
endif()

# orvo_fuzzer(NAME SOURCES src... [LIBS lib...] CORPUS folder [SANDBOX] [QUIET_STDOUT])
# SANDBOX: it runs in a simulated module of its own; QUIET_STDOUT: what the code under test
# prints on standard output goes nowhere.
function(orvo_fuzzer name)
    if(NOT ORVO_FUZZ)
        return()
    endif()
    cmake_parse_arguments(F "SANDBOX;QUIET_STDOUT" "CORPUS" "SOURCES;LIBS" ${ARGN})
    set(target fuzz_${name})
    if(F_QUIET_STDOUT)
        list(APPEND F_SOURCES ${PROJECT_SOURCE_DIR}/tests/fuzz/quiet_stdout.cpp)
    endif()
    add_executable(${target} ${F_SOURCES})
    orvo_warnings(${target})
    target_link_libraries(${target} PRIVATE ${F_LIBS})
    target_link_options(${target} PRIVATE -fsanitize=fuzzer)
    set(corpus ${CMAKE_CURRENT_SOURCE_DIR}/${F_CORPUS})
    set(work ${PROJECT_BINARY_DIR}/fuzz/${name})
    set(run)
    if(F_SANDBOX)
        set(run ${ORVO_RUN_IN_SANDBOX})
    endif()
    add_test(NAME ${target}_corpus
             COMMAND ${run} $<TARGET_FILE:${target}> -runs=0 ${corpus})
    add_test(NAME ${target}
             COMMAND ${PROJECT_SOURCE_DIR}/tests/fuzz/run_fuzzer.sh ${work} ${ORVO_FUZZ_SECONDS}
                     ${corpus} ${run} $<TARGET_FILE:${target}>)
    set_tests_properties(${target}_corpus PROPERTIES LABELS fuzz_corpus)
    set_tests_properties(${target} PROPERTIES LABELS fuzz RUN_SERIAL TRUE)
endfunction()
