#!/usr/bin/env bash
# Installs what is missing, builds Pagewell and starts it. Arguments go to the program.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh
exec ./build/pagewell "$@"
