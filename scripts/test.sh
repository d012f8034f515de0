#!/usr/bin/env bash
# Installs what is missing, builds Pagewell and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh
ctest --test-dir build --output-on-failure --parallel "$(nproc)"

# The RTF reader and writer take untrusted files: run their tests once more under
# AddressSanitizer and UndefinedBehaviorSanitizer. Any finding (leaks included) aborts the
# test with a non-zero status, which fails this script.
cmake -S . -B build-asan -DPAGEWELL_SANITIZE=ON -DPAGEWELL_BENCH=OFF -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build build-asan --target rtf_tests --parallel "$(nproc)"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
    UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
    ctest --test-dir build-asan -L rtf --output-on-failure
