# SPDX-License-Identifier: MIT
# liborvo-sms stand-in over the simulated SMS service, and the service's process.
add_library(orvo_sms_store STATIC sms_store.cpp)
orvo_warnings(orvo_sms_store)
target_link_libraries(orvo_sms_store PUBLIC orvo_simctl)
target_include_directories(orvo_sms_store PUBLIC ${CMAKE_CURRENT_LIST_DIR})

orvo_standin(orvo-sms orvo_sms.cpp sms_client.cpp)
target_link_libraries(orvo-sms PRIVATE orvo_sms_store)
orvo_exports(orvo-sms orvo-sms.exports)

orvo_sim_tool(orvo-sim-sms sms_service.cpp)
target_link_libraries(orvo-sim-sms PRIVATE orvo_sms_store)
