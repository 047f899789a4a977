# host networking: adapters, addresses, route changes (libnl on Linux)
find_package(PkgConfig REQUIRED)
pkg_check_modules(LIBNL_ROUTE REQUIRED IMPORTED_TARGET libnl-3.0 libnl-route-3.0)

add_library(rlq_platform_host_network STATIC
  ${CMAKE_CURRENT_LIST_DIR}/linux/host_network_netlink.cpp
  ${CMAKE_CURRENT_LIST_DIR}/linux/link_classification.cpp
  ${CMAKE_CURRENT_LIST_DIR}/linux/netlink_adapter_reader.cpp
  ${CMAKE_CURRENT_LIST_DIR}/linux/netlink_address_lease.cpp
  ${CMAKE_CURRENT_LIST_DIR}/linux/netlink_route_watch.cpp)
target_link_libraries(rlq_platform_host_network PUBLIC rlq_common PRIVATE PkgConfig::LIBNL_ROUTE)
