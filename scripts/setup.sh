#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need when they are missing.
#   scripts/setup.sh         the native build: cmake, g++, GoogleTest, Google Benchmark
#   scripts/setup.sh --wine  also MinGW-w64, Wine and an X server for the Windows program's tests
set -euo pipefail
need=()
command -v cmake >/dev/null || need+=(cmake)
command -v g++ >/dev/null || need+=(g++)
[ -f /usr/include/gtest/gtest.h ] || need+=(libgtest-dev)
[ -f /usr/include/gmock/gmock.h ] || need+=(libgmock-dev)
[ -f /usr/include/benchmark/benchmark.h ] || need+=(libbenchmark-dev)
[ -f /usr/src/googletest/CMakeLists.txt ] || need+=(googletest)
if [ "${1:-}" = --wine ]; then
  command -v x86_64-w64-mingw32-g++-posix >/dev/null || need+=(g++-mingw-w64-x86-64)
  command -v wine >/dev/null || need+=(wine)
  [ -e /usr/lib/wine/wine64 ] || need+=(wine64)
  command -v xvfb-run >/dev/null || need+=(xvfb)
  command -v xauth >/dev/null || need+=(xauth)
  command -v import >/dev/null || need+=(imagemagick)
  command -v xdotool >/dev/null || need+=(xdotool)
fi
if [ "${#need[@]}" -gt 0 ]; then
  echo "installing: ${need[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq "${need[@]}"
fi
