rlq_add_test(rlq_app_tests
  SOURCES app/sequence_test.cpp
  LIBS rlq_app rlq_firmware_images rlq_platform_headless rlq_platform_system)
target_include_directories(rlq_app_tests PRIVATE ${PROJECT_SOURCE_DIR})

rlq_add_test(rlq_firmware_tests
  SOURCES firmware/image_format_test.cpp firmware/document_test.cpp
          firmware/transfer_procedures_test.cpp
  LIBS rlq_firmware rlq_firmware_images rlq_image_tool rlq_platform_headless rlq_unit_sim_transfer
       rlq_platform_system)

if(TARGET rlq_cli_console)
  rlq_add_test(rlq_cli_tests
    SOURCES cli/json_line_test.cpp
    LIBS rlq_cli_console
    LABELS unit)
  # The console tool's command line, which needs neither rights nor a network: help and version
  # on stdout with 0, a one-line hint on stderr with 64.
  add_test(NAME cli.command-line COMMAND sh -c [=[
    "$0" --help | grep -q -- "--check" &&
    "$0" --version | grep -q "main unit 1.34, sub unit 1.06" &&
    { "$0" --bogus 2>/dev/null; test $? -eq 64; } &&
    { "$0" --check --special-mode 2>/dev/null; test $? -eq 64; } &&
    test "$("$0" --bogus 2>&1 >/dev/null | wc -l)" -eq 1]=] $<TARGET_FILE:rlq-updater-cli>)
  set_tests_properties(cli.command-line PROPERTIES LABELS unit)
endif()

if(WIN32)
  # The POSIX backends' tests have their Win32 counterparts in win32/.
  rlq_add_test(rlq_platform_tests
    SOURCES platform/headless_toolkit_test.cpp
    LIBS rlq_platform_headless rlq_platform_system)
else()
  rlq_add_test(rlq_platform_tests
    SOURCES platform/headless_toolkit_test.cpp platform/process_test.cpp platform/temp_file_test.cpp
    LIBS rlq_platform_headless rlq_platform_system)
endif()

rlq_add_test(rlq_workflow_tests
  SOURCES workflow/search_dialog_test.cpp
  LIBS rlq_workflow rlq_platform_headless rlq_resources
  LABELS unit)
