#!/usr/bin/env bash
# Installs everything the build and the tests need from Debian's packages.
# Idempotent: a second run only checks and returns quickly.
set -euo pipefail

PACKAGES=(
  cmake ninja-build g++ clang libclang-rt-14-dev googletest libgtest-dev libbenchmark-dev
  mingw-w64 mingw-w64-tools libwine-dev
  wine wine32 wine64
  xvfb xauth x11-utils imagemagick fonts-ipafont-gothic
  mscompress libmspack-dev valgrind python3 git locales
)

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi

missing=()
need_i386=0
if ! dpkg --print-foreign-architectures | grep -qx i386; then need_i386=1; fi
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

# Wine takes file-name encoding from the Linux locale: without ja_JP.UTF-8 generated, Japanese
# file names cannot be created in the prefix.
ensure_locale() {
  if ! locale -a 2>/dev/null | grep -qix 'ja_JP.utf8'; then
    $SUDO localedef -i ja_JP -f UTF-8 ja_JP.UTF-8 || echo "install-deps: could not generate ja_JP.UTF-8" >&2
  fi
}

if [ "$need_i386" -eq 0 ] && [ "${#missing[@]}" -eq 0 ]; then
  ensure_locale
  echo "install-deps: all packages present"
  exit 0
fi

export DEBIAN_FRONTEND=noninteractive
if [ "$need_i386" -eq 1 ]; then $SUDO dpkg --add-architecture i386; fi
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
echo "install-deps: installed ${missing[*]}"
ensure_locale
