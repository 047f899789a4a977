# The Win32 backends, under the target names the portable code links against.
set(win32_dir ${CMAKE_CURRENT_LIST_DIR})

add_library(rlq_platform_win32_text STATIC ${win32_dir}/wide_text.cpp)
target_link_libraries(rlq_platform_win32_text PUBLIC rlq_common)

add_library(rlq_platform_sockets STATIC ${win32_dir}/udp_socket_winsock.cpp)
target_link_libraries(rlq_platform_sockets PUBLIC rlq_common ws2_32)

add_library(rlq_platform_host_network STATIC ${win32_dir}/host_network_iphlpapi.cpp)
target_link_libraries(rlq_platform_host_network PUBLIC rlq_common iphlpapi ws2_32)

add_library(rlq_platform_http STATIC ${win32_dir}/http_layer_wininet.cpp)
target_link_libraries(rlq_platform_http PUBLIC rlq_common PRIVATE rlq_platform_win32_text wininet)

# No termination-signal cleanup: a GUI process on Windows gets no console signals.
add_library(rlq_platform_system STATIC
  ${CMAKE_CURRENT_LIST_DIR}/../support/linked_data_items.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../support/exit_cleanup.cpp
  ${win32_dir}/process_win32.cpp
  ${win32_dir}/temp_file_win32.cpp)
target_link_libraries(rlq_platform_system PUBLIC rlq_common rlq_platform_win32_text ws2_32 bcrypt)

add_library(rlq_platform_win32_ui STATIC
  ${win32_dir}/dialog_template.cpp
  ${win32_dir}/frame_menu.cpp
  ${win32_dir}/win32_toolkit.cpp
  ${win32_dir}/win32_window.cpp)
target_link_libraries(rlq_platform_win32_ui PUBLIC rlq_common rlq_platform_win32_text comctl32
  user32 gdi32)
