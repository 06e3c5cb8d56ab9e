#!/usr/bin/env bash
# From a fresh clone to a full test run: installs what is missing, builds,
# runs every test (unit, integration, GUI under Xvfb); then the same tests
# under AddressSanitizer + UndefinedBehaviorSanitizer, and the threaded ones
# under ThreadSanitizer, each in a build folder of its own
# (scripts/test-sanitizers.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh
(cd "${BUILD_DIR:-build}" && ctest --output-on-failure --timeout 600 -j2)
scripts/test-sanitizers.sh asan
scripts/test-sanitizers.sh tsan
