#!/usr/bin/env bash
# Configures, builds and tests the project for each target it is built for, and says at the end
# which suites ran and how they did. A failed suite does not stop the others.
#   run-suites.sh [SUITE...]          test the named suites (all three when none is named)
#   run-suites.sh --build-only SUITE  configure and build only (make dll)
# Suites:
#   native  the everyday 64-bit Linux build: everything, every test suite       ($BUILD_DIR)
#   i686    32-bit Linux: the module and its test suites; the host's PNG/OpenEXR output,
#           meshes and scene files (Embree has no i386 package) and the CLI are left out,
#           with the test areas that use them                                    ($I686_BUILD_DIR)
#   dll     32-bit Windows: brumo.dll, its export and import tables, and its test host under
#           Wine when Wine is installed                                         ($DLL_BUILD_DIR)
#   asan    every test suite under AddressSanitizer and UndefinedBehaviorSanitizer, any
#           finding a failure; lightly optimised, no benchmarks                ($ASAN_BUILD_DIR)
#   tsan    the concurrency test under ThreadSanitizer                          ($TSAN_BUILD_DIR)
set -uo pipefail
cd "$(dirname "$0")/.."

JOBS=${JOBS:-$(nproc 2>/dev/null || echo 2)}
CMAKE_FLAGS=${CMAKE_FLAGS:--DCMAKE_BUILD_TYPE=Release}
BUILD_DIR=${BUILD_DIR:-build}
I686_BUILD_DIR=${I686_BUILD_DIR:-build-i686}
DLL_BUILD_DIR=${DLL_BUILD_DIR:-build-dll}
ASAN_BUILD_DIR=${ASAN_BUILD_DIR:-build-asan}
TSAN_BUILD_DIR=${TSAN_BUILD_DIR:-build-tsan}
# Sanitizer builds: -O1 keeps them quick to build and to run.
SANITIZE_FLAGS=(-DCMAKE_BUILD_TYPE=RelWithDebInfo "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O1 -g1" -DBRUMO_BUILD_BENCH=OFF)
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1}
export TSAN_OPTIONS=${TSAN_OPTIONS:-halt_on_error=1}

build_only=false
if [ "${1:-}" = "--build-only" ]; then
  build_only=true
  shift
fi
suites=("$@")
[ ${#suites[@]} -eq 0 ] && suites=(native i686 dll asan tsan)

results=()
passed=0
failed=0

run_suite() {
  local name=$1 dir=$2 title=$3 targets=$4
  shift 4
  echo
  echo "==== suite $name: $title ($dir)"
  local start=$SECONDS status=passed
  local build=(cmake --build "$dir" -j "$JOBS")
  [ -n "$targets" ] && build+=(--target $targets)
  # A suite that builds only some test targets runs only their tests (CTEST_FILTER).
  local filter=()
  [ -n "${CTEST_FILTER:-}" ] && filter=(-R "$CTEST_FILTER")
  local configured
  if ! configured=$(cmake -S . -B "$dir" $CMAKE_FLAGS "$@" 2>&1); then
    echo "$configured"
    status="failed to configure"
  else
    grep -E "left out|Wine not found|Wine cannot start" <<<"$configured" || true
    if ! "${build[@]}"; then
      status="failed to build"
    elif ! $build_only && ! (cd "$dir" && ctest --output-on-failure -j "$JOBS" "${filter[@]}"); then
      status=failed
    fi
  fi
  local note=""
  if [ "$name" = dll ] && ! $build_only; then
    if grep -q '^BRUMO_WINE_THROUGH_QEMU:INTERNAL=ON' "$dir/CMakeCache.txt"; then
      note=" (this kernel runs i386 programs only through qemu-i386, where Wine does not start: the DLL's tables were checked, its test host was not run)"
    elif ! grep -q '^BRUMO_WINE:FILEPATH=/' "$dir/CMakeCache.txt"; then
      note=" (Wine not installed: the DLL's tables were checked, its test host was not run)"
    fi
  fi
  $build_only && [ "$status" = passed ] && status=built
  results+=("$name ($title): $status in $((SECONDS - start)) s$note")
  if [ "$status" = passed ] || [ "$status" = built ]; then passed=$((passed + 1)); else failed=$((failed + 1)); fi
}

for suite in "${suites[@]}"; do
  case "$suite" in
    native)
      run_suite native "$BUILD_DIR" "x86_64 Linux, everything" "" ;;
    i686)
      run_suite i686 "$I686_BUILD_DIR" "i686 Linux, module and test suites" "" \
        -DCMAKE_TOOLCHAIN_FILE=cmake/i686-linux.cmake -DBRUMO_HOST_IMAGE_FILES=OFF \
        -DBRUMO_HOST_MESHES=OFF -DBRUMO_BUILD_CLI=OFF -DBRUMO_BUILD_BENCH=OFF ;;
    dll)
      targets=""
      $build_only && targets=brumo_module
      run_suite dll "$DLL_BUILD_DIR" "i686 Windows DLL, under Wine" "$targets" \
        -DCMAKE_TOOLCHAIN_FILE=cmake/i686-w64-mingw32.cmake ;;
    asan)
      CMAKE_FLAGS="" run_suite asan "$ASAN_BUILD_DIR" "x86_64 Linux, AddressSanitizer and UBSan" "" \
        "${SANITIZE_FLAGS[@]}" -DBRUMO_SANITIZE=address,undefined ;;
    tsan)
      CMAKE_FLAGS="" CTEST_FILTER="^ConcurrentRendering[.]" run_suite tsan "$TSAN_BUILD_DIR" \
        "x86_64 Linux, ThreadSanitizer" test_threads "${SANITIZE_FLAGS[@]}" -DBRUMO_SANITIZE=thread \
        -DBRUMO_BUILD_CLI=OFF -DBRUMO_HOST_MESHES=OFF -DBRUMO_HOST_IMAGE_FILES=OFF ;;
    *)
      echo "run-suites.sh: unknown suite '$suite' (native, i686, dll, asan, tsan)" >&2
      exit 2 ;;
  esac
done

echo
if $build_only; then
  echo "==== built"
else
  echo "==== suites run"
fi
for line in "${results[@]}"; do echo "  $line"; done
if $build_only; then
  [ "$failed" -eq 0 ]
  exit
fi
echo "suites: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
