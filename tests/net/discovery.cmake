# discovery tests
rlq_add_test(discovery_unit_test
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/adapter_list_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/reply_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/reply_temp_address_test.cpp
  LIBS rlq_net
  LABELS unit)
if(WIN32)
  return()  # the rest needs netlink and network namespaces
endif()
rlq_add_test(netlink_mapping_test
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/netlink_mapping_test.cpp
  LIBS rlq_platform_host_network
  LABELS unit)

# End to end in network namespaces against rlq-unit-sim (needs root).
include(${CMAKE_CURRENT_LIST_DIR}/../netns/netns.cmake)
add_executable(discovery_netns_test ${CMAKE_CURRENT_LIST_DIR}/discovery_netns_test.cpp)
target_link_libraries(discovery_netns_test PRIVATE rlq_net rlq_platform_host_network
  rlq_platform_sockets GTest::gtest)
rlq_add_netns_test(NAME netns.adapters TARGET discovery_netns_test FILTER NetnsAdapters.*)
rlq_add_netns_test(NAME netns.temp_address TARGET discovery_netns_test FILTER NetnsTempAddress.*)
rlq_add_netns_test(NAME netns.discovery.main_own_subnet TARGET discovery_netns_test
  FILTER NetnsDiscovery.MainUnitOnOwnSubnet
  SIM_ARGS --main-version 1.30 --main-send-first wrong-kind,oversized,undersized,bad-format)
rlq_add_netns_test(NAME netns.discovery.sub_via_temp_address TARGET discovery_netns_test
  FILTER NetnsDiscovery.SubUnitThroughTempAddress SIM_ARGS --sub-version 1.00)
rlq_add_netns_test(NAME netns.discovery.sub_from_private_adapter TARGET discovery_netns_test
  FILTER NetnsDiscovery.SubUnitFromAdapterInsidePrivateNetwork PC_ADDR 10.0.0.10/8)
rlq_add_netns_test(NAME netns.discovery.silent_sub_not_found TARGET discovery_netns_test
  FILTER NetnsDiscovery.SilentSubUnitEndsThePassOnTheSixSecondClock SIM_ARGS --sub-silent)
