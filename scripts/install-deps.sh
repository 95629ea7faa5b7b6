#!/usr/bin/env bash
# Installs what building and testing need from Debian's archive, when missing.
set -euo pipefail
source "$(dirname "$0")/lib/tools.sh"

install_missing_packages \
  cmake ninja-build g++ clang libclang-rt-14-dev libgtest-dev googletest \
  g++-mingw-w64-i686-posix g++-mingw-w64-i686-win32 binutils-mingw-w64-i686 wine wine32:i386 \
  netpbm imagemagick \
  g++-mingw-w64-x86-64-posix g++-mingw-w64-x86-64-win32 binutils-mingw-w64-x86-64 wine64 xvfb \
  pkgconf valgrind llvm-14 lld-14 clang-format git clang-tidy-14 cppcheck python3 gcovr \
  osslsigncode openssl zip unzip qemu-user msitools wixl faketime
