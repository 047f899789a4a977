# 64-bit Windows, for testing: 64-bit Wine runs it where the kernel runs no 32-bit code, and it
# shows the code's 64-bit faults; the shipped program stays the 32-bit one.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
