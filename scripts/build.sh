#!/usr/bin/env bash
# Configures and builds both trees: native (core, tools, native tests) and Windows (the
# deliverables and their tests, cross-built with mingw-w64).
#   BUILD_ROOT=build (default)   where the trees go
#   QUORIN_SANITIZE=ON|OFF       ASan/UBSan for the native tree (default OFF)
#   QUORIN_NATIVE_RELEASE=ON     the native tree as it ships: Release, stripped, the tools only
#                                (default: RelWithDebInfo with the native tests)
#   QUORIN_FUZZ=ON               also build the libFuzzer tree with clang
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${BUILD_ROOT:-$root/build}
case "$build" in /*) ;; *) build=$root/$build ;; esac
jobs=${QUORIN_JOBS:-$(nproc)}

native_type=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=ON)
if [ "${QUORIN_NATIVE_RELEASE:-OFF}" = "ON" ]; then
    native_type=(-DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF)
fi
cmake -S "$root" -B "$build/native" -G Ninja "${native_type[@]}" \
    -DQUORIN_SANITIZE="${QUORIN_SANITIZE:-OFF}" >/dev/null
cmake --build "$build/native" -j "$jobs"

cmake -S "$root" -B "$build/win32" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw32.cmake" >/dev/null
cmake --build "$build/win32" -j "$jobs"

if [ "${QUORIN_FUZZ:-OFF}" = "ON" ] && command -v clang++ >/dev/null; then
    CC=clang CXX=clang++ cmake -S "$root" -B "$build/fuzz" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DQUORIN_FUZZ=ON >/dev/null
    cmake --build "$build/fuzz" -j "$jobs"
fi
