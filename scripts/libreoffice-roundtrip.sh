#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Saves each RTF file as Pagewell writes it (rtf2txt --write), lets LibreOffice read the file
# and the save, and compares the two readings: paragraphs and their text, alignment and
# direction, list levels and numbering, tables' grid and spans, notes and their citations,
# fields (scripts/odt-outline.py). A developer's check: LibreOffice is not a build dependency.
#
#   scripts/libreoffice-roundtrip.sh [BUILD_DIR] [FILE.rtf ...]
# Without files it checks the word processors' fixtures. Prints "same" or the differences per
# file; the exit status is the number of files that differ.
set -uo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
shift || true
if [ $# -eq 0 ]; then
    set -- tests/fixtures/rtf/{libreoffice,abiword,pandoc,latex2rtf}-*.rtf \
        tests/fixtures/rtfdump/libreoffice-*.rtf
fi
command -v soffice >/dev/null || { echo "soffice is needed"; exit 100; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/original" "$work/saved" "$work/odt-original" "$work/odt-saved"
for f in "$@"; do
    name=$(basename "$f")
    cp "$f" "$work/original/$name"
    "$build/rtf2txt" --write "$f" >"$work/saved/$name" || echo "$name: rtf2txt --write failed"
done
# One LibreOffice start per folder; a profile of its own so a running LibreOffice is left alone.
for side in original saved; do
    soffice -env:UserInstallation="file://$work/profile" --headless --convert-to odt \
        --outdir "$work/odt-$side" "$work/$side"/*.rtf >/dev/null 2>&1
done
differ=0
for f in "$@"; do
    name=$(basename "$f" .rtf)
    echo "== $name"
    if ! python3 scripts/odt-outline.py "$work/odt-original/$name.odt" "$work/odt-saved/$name.odt" |
        sed "s|$work/||g"; then
        differ=$((differ + 1))
    fi
done
exit "$differ"
