# SPDX-License-Identifier: MIT
# libqxtel's Wi-Fi client calls over a simulated Wi-Fi service, and the service's process
# (which drives the real stack on the emulated board).
find_package(Threads REQUIRED)
add_library(orvo_simwifi STATIC wifi/wifi_world.cpp wifi/wifi_model.cpp wifi/stack_texts.cpp)
orvo_warnings(orvo_simwifi)
target_include_directories(orvo_simwifi PUBLIC ${CMAKE_CURRENT_SOURCE_DIR}/wifi)
target_link_libraries(orvo_simwifi PUBLIC orvo_simctl orvo_platform_headers)

target_sources(qxtel PRIVATE wifi/qxtel_wifi.cpp wifi/indications.cpp)
target_link_libraries(qxtel PRIVATE orvo_simwifi Threads::Threads)

orvo_sim_tool(orvo-sim-wifi wifi/wifi_service.cpp wifi/real_stack.cpp wifi/child_process.cpp
              wifi/ctrl_socket.cpp)
target_link_libraries(orvo-sim-wifi PRIVATE orvo_simwifi)

orvo_gtest(sim_wifi_real_stack_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/wifi/tests/real_stack_test.cpp
           LIBS orvo_simwifi)
