#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need when they are missing.
#   scripts/setup.sh         the native build: cmake, g++, GoogleTest, Google Benchmark
#   scripts/setup.sh --wine  also the 32-bit MinGW-w64 compiler (win32 thread model), Wine with
#                            both loaders (the 32-bit one from the i386 architecture, for the
#                            WoW64 prefixes), an X server and ImageMagick for the Windows
#                            program's tests
#   scripts/setup.sh --fuzz  also clang 14 and its libFuzzer runtime, for the sanitizer build
#                            (options may be combined)
# A package counts as present when dpkg says it is installed: a command of the same name found on
# PATH may belong to something else.
set -euo pipefail
wine=no
fuzz=no
for option in "$@"; do
  case $option in
    --wine) wine=yes ;;
    --fuzz) fuzz=yes ;;
    *) echo "setup.sh: unknown option $option (--wine, --fuzz)" >&2 && exit 2 ;;
  esac
done
wanted=(cmake g++ make libgtest-dev libgmock-dev libbenchmark-dev googletest)
[ "$fuzz" = yes ] && wanted+=(clang-14 libclang-rt-14-dev)
[ "$wine" = yes ] && wanted+=(g++-mingw-w64-i686-win32 binutils-mingw-w64-i686 wine wine64
  wine32:i386 xvfb xauth imagemagick time)

# installed PACKAGE: dpkg has PACKAGE (name or name:arch) installed.
installed() {
  [ "$(dpkg-query -W -f='${db:Status-Status}' "$1" 2>/dev/null)" = installed ]
}
need=()
for package in "${wanted[@]}"; do
  installed "$package" || need+=("$package")
done
if [ "${#need[@]}" -gt 0 ]; then
  if [[ " ${need[*]} " == *:i386* ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
    echo "adding the i386 architecture for ${need[*]}"
    dpkg --add-architecture i386
  fi
  echo "installing: ${need[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq "${need[@]}"
fi
