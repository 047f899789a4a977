# web interface and TFTP loader of the simulated unit
add_library(rlq_unit_sim_transfer STATIC
  ${CMAKE_CURRENT_LIST_DIR}/sim_http_request.cpp
  ${CMAKE_CURRENT_LIST_DIR}/sim_payload.cpp
  ${CMAKE_CURRENT_LIST_DIR}/sim_update_chunks.cpp
  ${CMAKE_CURRENT_LIST_DIR}/tftp_loader.cpp
  ${CMAKE_CURRENT_LIST_DIR}/tftp_write_receiver.cpp
)
if(NOT WIN32)
  target_sources(rlq_unit_sim_transfer PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/web_interface.cpp
    ${CMAKE_CURRENT_LIST_DIR}/web_style.cpp)
endif()
target_link_libraries(rlq_unit_sim_transfer PUBLIC rlq_common rlq_platform_sockets)
