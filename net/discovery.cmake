# adapter snapshot, temporary address, reply listener
target_sources(rlq_net PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/adapter_list.cpp
  ${CMAKE_CURRENT_LIST_DIR}/reply.cpp
  ${CMAKE_CURRENT_LIST_DIR}/reply_temp_address.cpp)
target_link_libraries(rlq_net PUBLIC rlq_platform_host_network)
