#!/usr/bin/env bash
# Installs what is missing, builds Pagewell and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh
ctest --test-dir build --output-on-failure --parallel "$(nproc)"
