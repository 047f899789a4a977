add_library(rlq_platform_headless STATIC
  ${CMAKE_CURRENT_LIST_DIR}/headless/headless_toolkit.cpp
  ${CMAKE_CURRENT_LIST_DIR}/headless/headless_window.cpp)
target_link_libraries(rlq_platform_headless PUBLIC rlq_common)
