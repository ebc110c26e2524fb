#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need; does nothing when all are present.
#   install-deps.sh [GROUP...]   the everyday 64-bit build, plus the named groups:
#     i686   the 32-bit Linux build (g++ -m32, GoogleTest for i386)
#     dll    the 32-bit Windows DLL (MinGW-w64, POSIX threads)
#     wine   Wine, to run the DLL's test host
#     python the brumo Python package and its tests (pybind11, NumPy, pytest, Dask, OpenVDB's
#            Python module), for Debian's /usr/bin/python3
#     blender Blender, for the importer's test suite (headless Cycles renders) and to remake
#             the path-traced references of the physical render mode
#     studio the studio's web server and its browser tests (cpp-httplib, Chromium, Selenium)
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  nlohmann-json3-dev libcli11-dev libpng-dev
  libtinyobjloader-dev libembree-dev
  libopenexr-dev
  libopenvdb-dev libboost-iostreams-dev
  libhwy-dev
  libnoise-dev
)

i386=false
for group in "$@"; do
  case "$group" in
    i686) packages+=(g++-multilib libgtest-dev:i386 libgmock-dev:i386); i386=true ;;
    dll) packages+=(g++-mingw-w64-i686-posix) ;;
    wine) packages+=(wine wine32:i386); i386=true ;;
    python) packages+=(python3-dev pybind11-dev python3-numpy python3-pytest python3-distributed python3-openvdb) ;;
    blender) packages+=(blender) ;;
    studio) packages+=(libcpp-httplib-dev chromium chromium-driver python3-selenium) ;;
    *) echo "install-deps.sh: unknown group '$group' (i686, dll, wine, python, blender, studio)" >&2; exit 2 ;;
  esac
done

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
if $i386 && ! dpkg --print-foreign-architectures | grep -qx i386; then
  $sudo dpkg --add-architecture i386
fi
# A mirror caught mid-sync fails one index for a while; try again, then go on with the indexes
# that did arrive (the install itself says so if a package is still not to be found).
for attempt in 1 2 3; do
  $sudo apt-get update -qq && break
  echo "install-deps.sh: apt-get update failed (attempt $attempt of 3)" >&2
  [ "$attempt" -lt 3 ] && sleep 20
done
for attempt in 1 2; do
  $sudo apt-get install -y -qq --no-install-recommends --no-remove "${missing[@]}" && exit 0
  echo "install-deps.sh: apt-get install failed (attempt $attempt of 2)" >&2
  [ "$attempt" -lt 2 ] && { sleep 20; $sudo apt-get update -qq || true; }
done
exit 1
