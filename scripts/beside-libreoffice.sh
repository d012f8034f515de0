#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Pictures of Pagewell's pane beside LibreOffice's PDF of the same RTF file, for looking at
# layout differences (docs/beside-libreoffice/README.md). Needs Xvfb, xdotool, ImageMagick,
# poppler-utils and LibreOffice; none of them is a build dependency.
#
#   scripts/beside-libreoffice.sh [BUILD_DIR] [FILE.rtf ...]
# Without files it remakes the pictures of the word processors' layout fixtures. Pictures go to
# docs/beside-libreoffice/<file>.png. DISPLAY_NUMBER (default 85) picks the Xvfb display.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
shift || true
if [ $# -eq 0 ]; then
    set -- tests/fixtures/rtf/abiword-{lists,sample,scripts}.rtf \
        tests/fixtures/rtf/{libreoffice,pandoc}-scripts.rtf \
        tests/fixtures/rtfdump/right-to-left.rtf \
        tests/fixtures/rtfdump/{libreoffice-leaders-and-shading,boxes-and-leaders}.rtf \
        tests/fixtures/rtfdump/{libreoffice-nested-tables,nested-tables,nested-row-spans}.rtf \
        tests/fixtures/rtfdump/{nested-table-extra-cell,merged-cells-and-borders}.rtf
fi
out=docs/beside-libreoffice
mkdir -p "$out"
work=$(mktemp -d)
display=:${DISPLAY_NUMBER:-85}
Xvfb "$display" -screen 0 1280x1024x24 >/dev/null 2>&1 &
xvfb=$!
trap 'kill "$xvfb" 2>/dev/null; rm -rf "$work"' EXIT
sleep 1

soffice -env:UserInstallation="file://$work/profile" --headless --convert-to pdf \
    --outdir "$work" "$@" >/dev/null 2>&1

caption() { convert -background white -fill black -pointsize 15 label:"$1" "$2"; }
caption "Pagewell" "$work/caption-pagewell.png"
caption "LibreOffice" "$work/caption-libreoffice.png"

for f in "$@"; do
    name=$(basename "$f" .rtf)
    # LibreOffice: at the screen's 96 dots an inch, so both sides have one scale; every page
    # (at most three) under each other, cut to the written area.
    pdftoppm -png -r 96 -l 3 "$work/$name.pdf" "$work/$name-page"
    convert "$work/$name"-page*.png -trim +repage -bordercolor white -border 8 -append \
        "$work/$name-libreoffice.png"

    # Pagewell: the window on its own home, the pane cut out of a picture of the screen.
    home=$(mktemp -d -p "$work")
    DISPLAY=$display HOME=$home XDG_RUNTIME_DIR=$home "$build/pagewell" "$f" >/dev/null 2>&1 &
    viewer=$!
    window=""
    for _ in $(seq 50); do
        window=$(DISPLAY=$display xdotool search --sync --onlyvisible --pid "$viewer" 2>/dev/null |
            head -1) && [ -n "$window" ] && break
        sleep 0.2
    done
    # The pane is a fixed part of the window; a longer document is shown a screenful at a time
    # (the mouse wheel, which leaves the caret alone) and the screenfuls are put under each other.
    sleep 2
    screens=()
    for screen in 1 2 3 4 5 6; do
        DISPLAY=$display import -window root "$work/$name-screen.png"
        convert "$work/$name-screen.png" -crop "${PANE_GEOMETRY:-772x334+4+37}" +repage \
            "$work/$name-pane$screen.png"
        # Unmoved but for the caret: the end was reached.
        if [ "$screen" -gt 1 ] && [ "$(compare -metric AE "$work/$name-pane$screen.png" \
            "$work/$name-pane$((screen - 1)).png" null: 2>&1)" -lt 400 ]; then
            break
        fi
        screens+=("$work/$name-pane$screen.png")
        DISPLAY=$display xdotool mousemove 400 200 click --repeat 5 5
        sleep 0.7
    done
    kill "$viewer"
    wait "$viewer" 2>/dev/null || true
    convert "${screens[@]}" -bordercolor grey60 -border 1 -append "$work/$name-pagewell.png"

    convert "$work/caption-pagewell.png" "$work/$name-pagewell.png" -append \
        -bordercolor white -border 6 "$work/$name-left.png"
    convert "$work/caption-libreoffice.png" "$work/$name-libreoffice.png" -append \
        -bordercolor white -border 6 "$work/$name-right.png"
    convert -background white -gravity north "$work/$name-left.png" "$work/$name-right.png" \
        +append -colors 64 -strip "PNG8:$out/$name.png"
    echo "$out/$name.png $(stat -c %s "$out/$name.png") bytes"
done
