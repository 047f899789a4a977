# HTTP layer
find_package(CURL REQUIRED)
add_library(rlq_platform_http STATIC ${CMAKE_CURRENT_LIST_DIR}/linux/http_layer_curl.cpp)
target_link_libraries(rlq_platform_http PUBLIC rlq_common PRIVATE CURL::libcurl)
