# transfer tests
rlq_add_test(rlq_net_transfer_tests
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/http_client_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/http_url_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/sim_unit_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/tftp_client_test.cpp
  LIBS rlq_net rlq_unit_sim_transfer rlq_platform_system
  LABELS unit)

if(WIN32)
  return()  # the rest needs libcurl and network namespaces
endif()
# The loopback tests serve ports 80 and 69, so they run (and are listed) inside a network
# namespace of their own.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/in-private-netns.sh)
rlq_add_test(rlq_net_transfer_netns_tests
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/http_curl_netns_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/tftp_loader_netns_test.cpp
  LIBS rlq_net rlq_unit_sim_transfer rlq_platform_http rlq_platform_system
  LABELS netns)
unset(CMAKE_CROSSCOMPILING_EMULATOR)
