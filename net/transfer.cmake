# HTTP and TFTP clients
target_sources(rlq_net PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/http.cpp
  ${CMAKE_CURRENT_LIST_DIR}/http_url.cpp
  ${CMAKE_CURRENT_LIST_DIR}/tftp.cpp
)
target_link_libraries(rlq_net PUBLIC rlq_platform_http rlq_platform_system)
