#!/usr/bin/env bash
# Fuzzes the text operations, the header extractions, the probe's header
# collection and the worker's rules with libFuzzer (clang 14, with
# AddressSanitizer + UndefinedBehaviorSanitizer), each for a fixed time:
#
#   scripts/fuzz.sh [SECONDS] [TARGET...]    # default: 60 seconds, every target
#
# Targets: text_ops header_fields header_collect worker_rules. The build goes
# into "${BUILD_DIR:-build}-fuzz". Each run starts from the seeds in
# tests/fuzz/corpus/TARGET and keeps what it finds in the build folder's
# fuzz/corpus/TARGET, so later runs go on from there. A crash or a failed check
# stops the script; the input is saved as fuzz/TARGET-crash-* in the build
# folder, and belongs in a regression test in tests/unit.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(text_ops header_fields header_collect worker_rules)

scripts/install-deps.sh fuzz
build=${BUILD_DIR:-build}-fuzz
flags="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer"
cmake -S . -B "$build" -G Ninja -DBUILD_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_COMPILER=clang++-14 \
  -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" >/dev/null
cmake --build "$build" --target "${targets[@]/#/fuzz_}"

for target in "${targets[@]}"; do
  corpus="$build/fuzz/corpus/$target"
  mkdir -p "$corpus"
  echo "== $target: ${seconds}s" >&2
  "$build/fuzz/fuzz_$target" -max_total_time="$seconds" -timeout=10 -print_final_stats=1 \
    -artifact_prefix="$build/fuzz/$target-" "$corpus" "tests/fuzz/corpus/$target"
done
