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
