# SPDX-License-Identifier: MIT
# liborvo-uci and the uci command, over one store (config files under /etc/config,
# staged changes under /tmp/.uci).
add_library(orvo_uci_store STATIC ${CMAKE_CURRENT_LIST_DIR}/uci/uci_config.cpp
                                  ${CMAKE_CURRENT_LIST_DIR}/uci/uci_store.cpp)
orvo_warnings(orvo_uci_store)
target_include_directories(orvo_uci_store PUBLIC ${CMAKE_CURRENT_LIST_DIR}/uci)
target_link_libraries(orvo_uci_store PUBLIC orvo_platform_headers orvo_common)

orvo_standin(orvo-uci ${CMAKE_CURRENT_LIST_DIR}/orvo_uci.cpp)
target_link_libraries(orvo-uci PRIVATE orvo_uci_store)
orvo_exports(orvo-uci orvo-uci.exports)

orvo_sim_tool(uci ${CMAKE_CURRENT_LIST_DIR}/uci/uci_main.cpp)
target_link_libraries(uci PRIVATE orvo_uci_store orvo_simctl)

orvo_gtest(uci_config_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/uci/tests/uci_config_test.cpp
           LIBS orvo_uci_store)
orvo_gtest(orvo_uci_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/uci/tests/orvo_uci_test.cpp
           LIBS orvo-uci orvo_platform_headers SANDBOX)
orvo_sandbox_test(uci_command ${CMAKE_CURRENT_LIST_DIR}/uci/tests/uci_command_test.sh)
orvo_fuzzer(uci_config SOURCES ${CMAKE_CURRENT_LIST_DIR}/uci/tests/fuzz/uci_config_fuzz.cpp
            LIBS orvo_uci_store CORPUS uci/tests/fuzz/corpus/uci_config SANDBOX)
