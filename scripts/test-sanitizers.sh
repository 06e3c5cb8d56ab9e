#!/usr/bin/env bash
# Builds the program and its tests with a sanitizer into a folder of its own
# and runs the tests there:
#
#   scripts/test-sanitizers.sh asan   # AddressSanitizer + UndefinedBehaviorSanitizer, every test
#   scripts/test-sanitizers.sh tsan   # ThreadSanitizer, every test that runs threads (no GUI)
#
# The folder is "${BUILD_DIR:-build}-asan" (resp. -tsan). Any report fails the
# test that triggered it. Only our own code is instrumented: GTK, WebKit (whose
# web process is a separate program), libsoup, GLib and libcurl are Debian's
# builds; tests/sanitizers/ holds the suppressions for what they leave behind.
set -euo pipefail
cd "$(dirname "$0")/.."
kind=${1:-}
root=$PWD
supp=$root/tests/sanitizers

case $kind in
  asan)
    # GCC 12 warns falsely about std::regex internals once ASan is on.
    flags="-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer -Wno-maybe-uninitialized"
    # halt_on_error: the first report ends the process with a failure.
    # quarantine_size_mb: the default 256 MB of held-back freed memory would
    # swamp the flat-memory check of a 300 MB transfer; 16 MB still catches
    # a use after free of anything our tests free recently.
    export ASAN_OPTIONS="halt_on_error=1:detect_leaks=1:detect_stack_use_after_return=1:strict_string_checks=1:check_initialization_order=1:quarantine_size_mb=16"
    export LSAN_OPTIONS="suppressions=$supp/lsan.supp:print_suppressions=0"
    export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
    # Every test, GUI included: the program under test is the instrumented one.
    tests=()
    ;;
  tsan)
    flags="-fsanitize=thread"
    export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:suppressions=$supp/tsan.supp"
    # GLib's slice allocator hands memory between threads by its own
    # bookkeeping, which ThreadSanitizer cannot follow; plain malloc it can.
    export G_SLICE=always-malloc
    # The threaded parts: transfers, workers (with a recording stand-in for
    # the window's control updates), fetches and the test server run on
    # threads of their own in the unit and integration tests. The window's
    # tests are left out: GTK hands posted work to its thread under GLib's
    # own locks, which ThreadSanitizer cannot see, so every control update
    # from a worker would show as a race.
    tests=(-LE gui)
    ;;
  *)
    echo "usage: $0 asan|tsan" >&2
    exit 2
    ;;
esac

build=${BUILD_DIR:-build}-$kind
scripts/install-deps.sh
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_EXE_LINKER_FLAGS="$flags" -DCMAKE_SHARED_LINKER_FLAGS="$flags" >/dev/null
cmake --build "$build"
cd "$build"
ctest --output-on-failure --timeout 900 -j2 "${tests[@]}"
