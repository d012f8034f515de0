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

# The Debian package: built with its library dependencies, and holding the program, the menu
# entry, the metainfo, the icons and the man page.
(cd build && cpack -G DEB >/dev/null)
deb=$(ls -t build/pagewell_*.deb | head -1)
dpkg-deb -f "$deb" Depends | grep -q 'libqt6widgets6' || { echo "FAIL: $deb lacks its Qt dependencies"; exit 1; }
listing=$(dpkg-deb -c "$deb")
for f in ./usr/bin/pagewell ./usr/share/applications/ ./usr/share/metainfo/ \
    ./usr/share/icons/hicolor/scalable/apps/ ./usr/share/icons/hicolor/48x48/apps/ \
    ./usr/share/icons/hicolor/256x256/apps/ ./usr/share/man/man1/pagewell.1.gz; do
    grep -qF " $f" <<<"$listing" || { echo "FAIL: $deb lacks $f"; exit 1; }
done
echo "Debian package: $deb"
