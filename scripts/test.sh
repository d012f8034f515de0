#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what is missing, builds Pagewell and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh
ctest --test-dir build --output-on-failure --parallel "$(nproc)"

# The file-fault tests once more as an ordinary user (nobody). Root, which CI runs as, may
# write anywhere, so the permission faults are skipped there ("root may write anywhere") and
# must run here. The user gets copies of the test executables (Pagewell is linked into them)
# in a folder it can reach, and a home of its own.
if [ "$(id -u)" = 0 ]; then
    as_nobody() { setpriv --reuid=65534 --regid=65534 --clear-groups "$@"; }
    [ "$(as_nobody id -u)" = 65534 ] || { echo "FAIL: cannot run as an ordinary user"; exit 1; }
    ordinary=$(mktemp -d)
    trap 'rm -rf "$ordinary"' EXIT
    chmod 755 "$ordinary"
    names=$(ctest --test-dir build -N -L filefaults | sed -n 's/^ *Test *#[0-9]*: //p')
    [ -n "$names" ] || { echo "FAIL: no test is labelled filefaults"; exit 1; }
    for name in $names; do
        exe=$(find build/tests -type f -name "$name" -perm -u+x | head -1)
        install -m 755 "$exe" "$ordinary/$name"
        home=$(mktemp -d -p "$ordinary")
        chown 65534:65534 "$home"
        if ! as_nobody env -i PATH=/usr/bin:/bin HOME="$home" TMPDIR="$home" \
            QT_QPA_PLATFORM=offscreen timeout 300 "$ordinary/$name" >"$ordinary/$name.log" 2>&1; then
            cat "$ordinary/$name.log"
            echo "FAIL: $name as an ordinary user"
            exit 1
        fi
        if grep '^SKIP.*root may' "$ordinary/$name.log"; then
            echo "FAIL: $name skipped a permission fault as an ordinary user"
            exit 1
        fi
        echo "$name as an ordinary user: $(grep '^Totals:' "$ordinary/$name.log")"
    done
fi

# The RTF reader and writer take untrusted files: run their tests once more under
# AddressSanitizer and UndefinedBehaviorSanitizer. Any finding (leaks included) aborts the
# test with a non-zero status, which fails this script.
cmake -S . -B build-asan -DPAGEWELL_SANITIZE=ON -DPAGEWELL_BENCH=OFF -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build build-asan --target rtf_tests --parallel "$(nproc)"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
    UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
    ctest --test-dir build-asan -L rtf --output-on-failure

# The Debian package: built with its library dependencies, and holding the program, the menu
# entry, the metainfo, the icons and the man page.
(cd build && cpack -G DEB >/dev/null)
deb=$(ls -t build/pagewell_*.deb | head -1)
dpkg-deb -f "$deb" Depends | grep -q 'libqt6widgets6' || { echo "FAIL: $deb lacks its Qt dependencies"; exit 1; }
listing=$(dpkg-deb -c "$deb")
for f in ./usr/bin/pagewell ./usr/share/applications/ ./usr/share/metainfo/ \
    ./usr/share/icons/hicolor/scalable/apps/ ./usr/share/icons/hicolor/48x48/apps/ \
    ./usr/share/icons/hicolor/256x256/apps/ ./usr/share/man/man1/pagewell.1.gz \
    ./usr/bin/sbx ./usr/share/man/man1/sbx.1.gz ./usr/share/doc/pagewell/copyright \
    ./usr/share/doc/pagewell/changelog.gz; do
    grep -qF " $f" <<<"$listing" || { echo "FAIL: $deb lacks $f"; exit 1; }
done
# As a distribution checks a package: any error or warning fails. The package needs no
# overrides; should one ever be needed, it may name only a tag that cannot apply to a package
# built outside Debian's own tools, with its reason.
lintian --fail-on error,warning --tag-display-limit 0 "$deb" || {
    echo "FAIL: lintian rejects $deb"
    exit 1
}
echo "Debian package: $deb"
