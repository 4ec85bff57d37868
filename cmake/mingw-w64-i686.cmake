# Cross-builds the Windows programs with MinGW-w64 for 32-bit Windows (Debian package
# g++-mingw-w64-i686-win32: the win32 thread model, so no winpthreads DLL or import).
#
# The add-in lives where a 32-bit setup put it (the 32-bit registry view and SysWOW64 on a 64-bit
# Windows), so the uninstaller is a 32-bit program. It is linked statically and stamped with
# subsystem and OS version 4.0, the highest that Windows 95 and NT 4.0 load.
# The processor is the Pentium Pro (CMakeLists.txt says so to the compiler).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
find_program(VRX_MINGW_CXX i686-w64-mingw32-g++-win32)
if(NOT VRX_MINGW_CXX)
  message(FATAL_ERROR "i686-w64-mingw32-g++-win32 is missing (Debian package "
                      "g++-mingw-w64-i686-win32; scripts/setup.sh --wine installs it)")
endif()
set(CMAKE_C_COMPILER i686-w64-mingw32-gcc-win32)
set(CMAKE_CXX_COMPILER ${VRX_MINGW_CXX})
set(CMAKE_RC_COMPILER i686-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/i686-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_EXE_LINKER_FLAGS_INIT
    "-static -static-libgcc -static-libstdc++ -Wl,--major-subsystem-version,4,--minor-subsystem-version,0,--major-os-version,4,--minor-os-version,0")
