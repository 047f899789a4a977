add_library(rlq_platform_system STATIC
  ${CMAKE_CURRENT_LIST_DIR}/support/linked_data_items.cpp
  ${CMAKE_CURRENT_LIST_DIR}/support/exit_cleanup.cpp
  ${CMAKE_CURRENT_LIST_DIR}/linux/process_linux.cpp
  ${CMAKE_CURRENT_LIST_DIR}/linux/temp_file_posix.cpp
  ${CMAKE_CURRENT_LIST_DIR}/linux/termination_signals.cpp)
target_link_libraries(rlq_platform_system PUBLIC rlq_common)
