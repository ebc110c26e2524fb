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
declare -A group_packages=(
  [i686]="g++-multilib libgtest-dev:i386 libgmock-dev:i386"
  [dll]="g++-mingw-w64-i686-posix"
  [wine]="wine wine32:i386"
  [python]="python3-dev pybind11-dev python3-numpy python3-pytest python3-distributed python3-openvdb"
  [blender]="blender"
  [studio]="libcpp-httplib-dev chromium chromium-driver python3-selenium"
)
for group in "$@"; do
  if [ -z "${group_packages[$group]+set}" ]; then
    echo "install-deps.sh: unknown group '$group' (i686, dll, wine, python, blender, studio)" >&2
    exit 2
  fi
  case "$group" in i686|wine) i386=true ;; esac
done

# The packages among the arguments that are not installed yet.
not_installed() {
  local p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || echo "$p"
  done
}

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
install() { $sudo apt-get install -y -qq --no-install-recommends --no-remove "$@"; }

# Some kernels are started without their 32-bit emulation (ia32_emulation=off), and every i386
# program fails with "Exec format error". The kernel is then told to start i386 programs through
# qemu-i386 (binfmt_misc), so that the i686 tests and the programs they start run as they would,
# only slower (Wine does not start that way; the DLL suite then says so). The registration lasts
# until the machine restarts, so it is checked on every call.
run_i386_programs() {
  $i386 || return 0
  local loader=/lib/ld-linux.so.2 misc=/proc/sys/fs/binfmt_misc
  [ -x "$loader" ] || return 0  # the 32-bit groups did not install: their suites say so
  "$loader" --version >/dev/null 2>&1 && return 0
  echo "install-deps.sh: this kernel does not run i386 programs; they will run under qemu-i386" >&2
  if [ ! -x /usr/bin/qemu-i386 ] && ! install qemu-user; then
    $sudo apt-get update -qq || true
    install qemu-user || true
  fi
  mountpoint -q "$misc" || $sudo mount -t binfmt_misc binfmt_misc "$misc" || true
  if [ -x /usr/bin/qemu-i386 ] && [ -e "$misc/register" ] && [ ! -e "$misc/qemu-i386" ]; then
    # 32-bit little-endian x86 executables and position-independent ones (ELF types 2 and 3).
    printf '%s\n' ':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:/usr/bin/qemu-i386:F' \
      | $sudo tee "$misc/register" >/dev/null || true
  fi
  if ! "$loader" --version >/dev/null 2>&1; then
    echo "install-deps.sh: WARNING: i386 programs still do not run here; the i686 and Wine suites will fail" >&2
  fi
}

everything=("${packages[@]}")
for group in "$@"; do everything+=(${group_packages[$group]}); done
mapfile -t missing < <(not_installed "${everything[@]}")
if [ ${#missing[@]} -eq 0 ]; then
  run_i386_programs
  exit 0
fi

echo "Installing: ${missing[*]}"
if $i386 && ! dpkg --print-foreign-architectures | grep -qx i386; then
  $sudo dpkg --add-architecture i386
fi

# A mirror caught mid-sync fails one index for a while; try again, then go on with the indexes
# that did arrive.
for attempt in 1 2 3; do
  $sudo apt-get update -qq && break
  echo "install-deps.sh: apt-get update failed (attempt $attempt of 3)" >&2
  [ "$attempt" -lt 3 ] && sleep 20
done
if install "${missing[@]}"; then
  run_i386_programs
  exit 0
fi

# A stale index can leave one group's packages unresolvable (an i386 library behind its amd64
# twin) while the rest install: the everyday set first, then each group on its own. The suites
# that need a group left out say so in their summary.
echo "install-deps.sh: installing everything at once failed; trying the everyday set, then each group" >&2
mapfile -t missing < <(not_installed "${packages[@]}")
if [ ${#missing[@]} -gt 0 ] && ! install "${missing[@]}"; then
  echo "install-deps.sh: the everyday build's packages could not be installed (apt's reason above)" >&2
  exit 1
fi
left_out=()
for group in "$@"; do
  mapfile -t missing < <(not_installed ${group_packages[$group]})
  [ ${#missing[@]} -eq 0 ] || install "${missing[@]}" || left_out+=("$group")
done
if [ ${#left_out[@]} -gt 0 ]; then
  echo "install-deps.sh: WARNING: could not install the group(s) ${left_out[*]} (apt's reason above);" \
       "what needs them is left out or fails" >&2
fi
run_i386_programs
exit 0
