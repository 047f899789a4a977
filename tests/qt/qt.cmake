# The desktop program's parts. The address helper: its session and client without privileges,
# the helper itself as root in a namespace. Then, with Qt, the backend in offscreen widget tests
# and the program end to end on Xvfb against the simulated unit.
rlq_add_test(rlq_net_helper_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/net_helper_session_test.cpp
  LIBS rlq_net_helper_session rlq_platform_address_helper
  LABELS unit)
target_include_directories(rlq_net_helper_tests PRIVATE ${PROJECT_SOURCE_DIR})
add_executable(net_helper_netns_test ${CMAKE_CURRENT_LIST_DIR}/net_helper_netns_test.cpp)
target_link_libraries(net_helper_netns_test PRIVATE rlq_platform_address_helper
  rlq_platform_host_network GTest::gtest GTest::gtest_main)
target_compile_definitions(net_helper_netns_test PRIVATE
  RLQ_NET_HELPER_BINARY="$<TARGET_FILE:rlq-net-helper>")
add_dependencies(net_helper_netns_test rlq-net-helper)
rlq_add_netns_test(NAME netns.net_helper TARGET net_helper_netns_test FILTER "*NetHelper*")

if(NOT TARGET rlq_platform_qt)
  return()
endif()

add_executable(rlq_qt_tests
  ${CMAKE_CURRENT_LIST_DIR}/qt_test_main.cpp
  ${CMAKE_CURRENT_LIST_DIR}/qt_window_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/search_dialog_qt_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/sequence_qt_test.cpp)
target_link_libraries(rlq_qt_tests PRIVATE rlq_platform_qt rlq_app rlq_firmware_images
  rlq_platform_headless rlq_platform_system Qt6::Test GTest::gtest GTest::gmock)
target_include_directories(rlq_qt_tests PRIVATE ${PROJECT_SOURCE_DIR})
gtest_discover_tests(rlq_qt_tests DISCOVERY_TIMEOUT 30
  PROPERTIES LABELS qt ENVIRONMENT QT_QPA_PLATFORM=offscreen)

# The desktop program end to end: Xvfb in the PC namespace, rlq-unit-sim beside it. Screenshots
# go to build/<preset>/artifacts/<scenario>/. The slow ACKs keep the sub unit's transfer on the
# screen for a few seconds.
set(rlq_gui_sim_args --main-version 1.30 --sub-version 1.00 --special-addr 10.255.255.237
    --ack-delay-ms 15)
foreach(scenario update sub-not-found helper-as-user authorisation-refused)
  set(sim_args ${rlq_gui_sim_args})
  if(scenario STREQUAL "sub-not-found")
    list(APPEND sim_args --sub-silent)
  endif()
  add_test(NAME e2e.qt.${scenario}
    COMMAND ${PROJECT_SOURCE_DIR}/tests/netns/with-netns.sh --time-limit 150 --
            ${PROJECT_SOURCE_DIR}/tests/netns/run-with-unit-sim.sh $<TARGET_FILE:rlq-unit-sim>
            ${sim_args} --
            ${CMAKE_CURRENT_LIST_DIR}/gui-scenario.sh $<TARGET_FILE_DIR:rlq-updater> ${scenario}
            ${CMAKE_BINARY_DIR}/artifacts)
  set_tests_properties(e2e.qt.${scenario} PROPERTIES
    LABELS "netns;e2e;qt" TIMEOUT 180 RUN_SERIAL TRUE SKIP_RETURN_CODE 77
    ENVIRONMENT "LSAN_OPTIONS=suppressions=${CMAKE_CURRENT_LIST_DIR}/lsan-desktop.supp")
endforeach()
