add_library(rlq_platform_system STATIC
  ${CMAKE_CURRENT_LIST_DIR}/embedded_data.cpp
  ${CMAKE_CURRENT_LIST_DIR}/linux/process_linux.cpp)
target_link_libraries(rlq_platform_system PUBLIC rlq_common)
