#!/usr/bin/env bash
# Configures and builds both trees: native (core, tools, native tests) and Windows (the
# deliverables and their tests, cross-built with mingw-w64).
#   BUILD_ROOT=build (default)   where the trees go
#   QUORIN_SANITIZE=ON|OFF       ASan/UBSan for the native tree (default OFF)
#   QUORIN_NATIVE_RELEASE=ON     the native tree as it ships: Release, stripped, the tools only
#                                (default: RelWithDebInfo with the native tests)
#   QUORIN_FUZZ=ON               build the native tree with clang, its fuzz targets as libFuzzer
#                                programs (otherwise they replay their corpus)
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${BUILD_ROOT:-$root/build}
case "$build" in /*) ;; *) build=$root/$build ;; esac
jobs=${QUORIN_JOBS:-$(nproc)}

native_type=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=ON)
if [ "${QUORIN_NATIVE_RELEASE:-OFF}" = "ON" ]; then
    native_type=(-DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF)
fi
# One native tree serves the unit tests and the fuzz targets: with fuzzing it is built by clang.
cxx=g++ cc=gcc fuzz=OFF
if [ "${QUORIN_FUZZ:-OFF}" = "ON" ] && command -v clang++ >/dev/null; then
    cxx=clang++ cc=clang fuzz=ON
fi
cache=$build/native/CMakeCache.txt
if [ -f "$cache" ] && ! grep -q "^CMAKE_CXX_COMPILER:[A-Z]*=.*/$cxx\$" "$cache"; then
    rm -rf "$build/native" # a tree keeps the compiler it was made with
fi
CC=$cc CXX=$cxx cmake -S "$root" -B "$build/native" -G Ninja "${native_type[@]}" \
    -DQUORIN_SANITIZE="${QUORIN_SANITIZE:-OFF}" -DQUORIN_FUZZ=$fuzz >/dev/null
cmake --build "$build/native" -j "$jobs"

toolchain=$root/cmake/toolchain-mingw32.cmake
# The compiler a toolchain names is fixed when the tree is made: a tree made with another one
# is made again.
wanted=$(sed -n 's/^set(CMAKE_CXX_COMPILER \${TOOLCHAIN_PREFIX}\(.*\))$/\1/p' "$toolchain")
if [ -d "$build/win32/CMakeFiles" ] &&
    ! grep -qs -- "$wanted\"" "$build"/win32/CMakeFiles/*/CMakeCXXCompiler.cmake; then
    rm -rf "$build/win32"
fi
cmake -S "$root" -B "$build/win32" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" >/dev/null
cmake --build "$build/win32" -j "$jobs"

