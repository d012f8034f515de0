#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the build into a temporary prefix and checks that the desktop entry and the
# metainfo validate and that every file they name is there.
# Usage: check-install.sh BUILD-FOLDER DESKTOP-ID
set -euo pipefail
build=$1
id=$2
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null

fail() { echo "FAIL: $*" >&2; exit 1; }
need() { [[ -e $prefix/$1 ]] || fail "missing $1"; }

desktop=share/applications/$id.desktop
metainfo=share/metainfo/$id.metainfo.xml
need "$desktop"
need "$metainfo"
desktop-file-validate "$prefix/$desktop" || fail "desktop entry does not validate"
appstreamcli validate --no-net "$prefix/$metainfo" >/dev/null || fail "metainfo does not validate"

# The program the entry starts, and the icon it names in every size.
exec=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$prefix/$desktop")
need "bin/$exec"
icon=$(sed -n 's/^Icon=//p' "$prefix/$desktop")
need "share/icons/hicolor/scalable/apps/$icon.svg"
for size in 48 256; do
    png=$prefix/share/icons/hicolor/${size}x${size}/apps/$icon.png
    [[ -e $png ]] || fail "missing ${size}px icon"
    # PNG header: width and height as big-endian words at bytes 16 and 20.
    dims=$(od -An -tu1 -j16 -N8 "$png" | awk '{print $3*256+$4 "x" $7*256+$8}')
    [[ $dims == "${size}x${size}" ]] || fail "${size}px icon is $dims"
done

# What the metainfo names: the entry it launches and the program it provides.
launchable=$(sed -n 's:.*<launchable type="desktop-id">\(.*\)</launchable>.*:\1:p' "$prefix/$metainfo")
need "share/applications/$launchable"
binary=$(sed -n 's:.*<binary>\(.*\)</binary>.*:\1:p' "$prefix/$metainfo")
need "bin/$binary"

gzip -t "$prefix/share/man/man1/pagewell.1.gz" || fail "man page"
if [[ -e $build/sbx ]]; then
    need bin/sbx
    gzip -t "$prefix/share/man/man1/sbx.1.gz" || fail "sbx man page"
fi
gzip -t "$prefix/share/doc/pagewell/changelog.gz" || fail "changelog"
grep -q '^Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' \
    "$prefix/share/doc/pagewell/copyright" || fail "copyright file"

# The installed program answers without a display.
"$prefix/bin/pagewell" --version | grep -q '^Pagewell ' || fail "installed pagewell --version"
echo "install tree complete"
