# Cross build of the Windows DLL and its tests with mingw-w64 on Debian.
# The posix-thread compilers are required: the default win32-thread variant
# has no std::thread or std::mutex.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(VELMOR_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${VELMOR_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VELMOR_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${VELMOR_MINGW_PREFIX}-windres)

# Libraries, headers and packages come from the mingw-w64 sysroot only; build
# tools (objdump, the emulator) are the host's.
set(CMAKE_FIND_ROOT_PATH /usr/${VELMOR_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Everything links the C++ runtime, libgcc and winpthread statically, so the
# DLL and the test programs need no mingw DLL beside them.
set(CMAKE_EXE_LINKER_FLAGS_INIT -static)
set(CMAKE_SHARED_LINKER_FLAGS_INIT -static)
set(CMAKE_MODULE_LINKER_FLAGS_INIT -static)

# Test programs, discovery and the checks run under Wine.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-run)
