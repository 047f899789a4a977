# Tests of the Win32 backends; under Wine in the cross build. The window tests need an X display
# (scripts/test runs them under xvfb-run).
rlq_add_test(rlq_win32_backend_tests
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/embedded_data_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/host_network_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/http_layer_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/process_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/temp_file_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/udp_socket_test.cpp
  LIBS rlq_platform_system rlq_platform_sockets rlq_platform_http rlq_platform_host_network
       rlq_firmware_images rlq_platform_win32_text
  LABELS unit)

rlq_add_test(rlq_win32_ui_tests
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/dialog_template_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/toolkit_test.cpp
  LIBS rlq_platform_win32_ui rlq_resources
  LABELS "unit;display")

# The program as a file: PE32, GUI, system imports only, manifest and version block.
add_test(NAME win32.exe_checks
  COMMAND ${CMAKE_CURRENT_LIST_DIR}/check-exe.sh $<TARGET_FILE:RLQ610ATotalUpdater>
          ${PROJECT_SOURCE_DIR}/resources/version_info.h)
set_tests_properties(win32.exe_checks PROPERTIES LABELS check)

# The program end to end under Wine and Xvfb against the simulated unit, which is a Linux
# program: it comes from the Linux build.
set(RLQ_UNIT_SIM ${PROJECT_SOURCE_DIR}/build/linux/bin/rlq-unit-sim CACHE FILEPATH
    "rlq-unit-sim of a Linux build, for the Windows end-to-end tests")
foreach(scenario normal temp-address-refused)
  add_test(NAME e2e.win32.${scenario}
    COMMAND ${CMAKE_CURRENT_LIST_DIR}/e2e.sh ${CMAKE_BINARY_DIR} ${RLQ_UNIT_SIM} ${scenario})
  set_tests_properties(e2e.win32.${scenario} PROPERTIES LABELS "netns;e2e" TIMEOUT 300
    RUN_SERIAL TRUE SKIP_RETURN_CODE 77)
endforeach()
