#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need when they are missing.
#   scripts/setup.sh         the native build: cmake, g++, GoogleTest, Google Benchmark
#   scripts/setup.sh --wine  also the 32-bit MinGW-w64 compiler (win32 thread model), Wine with
#                            both loaders (the 32-bit one from the i386 architecture, for the
#                            WoW64 prefixes) and an X server for the Windows program's tests
#   scripts/setup.sh --fuzz  also clang 14 and its libFuzzer runtime (options may be combined)
set -euo pipefail
wine=no
fuzz=no
for option in "$@"; do
  case $option in
    --wine) wine=yes ;;
    --fuzz) fuzz=yes ;;
  esac
done
need=()
foreign=()
command -v cmake >/dev/null || need+=(cmake)
command -v g++ >/dev/null || need+=(g++)
[ -f /usr/include/gtest/gtest.h ] || need+=(libgtest-dev)
[ -f /usr/include/gmock/gmock.h ] || need+=(libgmock-dev)
[ -f /usr/include/benchmark/benchmark.h ] || need+=(libbenchmark-dev)
[ -f /usr/src/googletest/CMakeLists.txt ] || need+=(googletest)
if [ "$fuzz" = yes ]; then
  command -v clang++-14 >/dev/null || need+=(clang-14)
  compgen -G '/usr/lib/llvm-14/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a' >/dev/null ||
    need+=(libclang-rt-14-dev)
fi
if [ "$wine" = yes ]; then
  command -v i686-w64-mingw32-g++-win32 >/dev/null || need+=(g++-mingw-w64-i686-win32)
  command -v i686-w64-mingw32-objdump >/dev/null || need+=(binutils-mingw-w64-i686)
  command -v wine >/dev/null || need+=(wine)
  [ -e /usr/lib/wine/wine64 ] || need+=(wine64)
  [ -e /usr/lib/wine/wine ] || foreign+=(wine32:i386)
  command -v xvfb-run >/dev/null || need+=(xvfb)
  command -v xauth >/dev/null || need+=(xauth)
  command -v convert >/dev/null || need+=(imagemagick)
  [ -x /usr/bin/time ] || need+=(time)
fi
if [ "${#foreign[@]}" -gt 0 ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  echo "adding the i386 architecture for ${foreign[*]}"
  dpkg --add-architecture i386
fi
if [ "${#need[@]}" -gt 0 ] || [ "${#foreign[@]}" -gt 0 ]; then
  echo "installing: ${need[*]} ${foreign[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq "${need[@]}" "${foreign[@]}"
fi
