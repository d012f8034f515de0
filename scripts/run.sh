#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what is missing, builds Pagewell and starts it. Arguments go to the program.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
# Fonts for the scripts the desktop may lack: emoji, Chinese, Japanese and Korean. Only what is
# shown needs them, never the build or the tests.
fonts=()
for p in fonts-noto-color-emoji fonts-noto-cjk; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || fonts+=("$p")
done
if [[ ${#fonts[@]} -gt 0 ]]; then
    sudo=""
    [[ $(id -u) -ne 0 ]] && sudo="sudo"
    echo "Installing: ${fonts[*]}"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${fonts[@]}" >/dev/null
fi
bash scripts/build.sh
exec ./build/pagewell "$@"
