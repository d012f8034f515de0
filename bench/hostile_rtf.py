#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Hostile RTF files and the time Pagewell needs to show each, until its window is idle.

    python3 bench/hostile_rtf.py [BUILD_DIR] [--runs N] [--keep DIR] [--timeout S] [--only 0,3]

Generates each case, runs build/bench/display_bench on it (a whole Pagewell process, from
start until the pane holds the document and the event loop has nothing left to do) and prints
a Markdown table with that time and the longest time the window could not answer (Qt lays out
the rest of a long document in steps, between which the window answers). Each case should
stay within 2 s.
"""
import os
import subprocess
import sys
import tempfile


def cases():
    head = b"{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0 Arial;}}"
    yield "itap huge (161 bytes)", (
        b"{\\rtf1\\ansi\\trowd\\cellx500\\pard\\intbl\\itap2147483647 deep\\nestcell"
        b"{\\*\\nesttableprops\\trowd\\cellx500\\nestrow}\\pard\\intbl\\itap1 x\\cell\\row"
        b"\\pard after\\par}").ljust(161, b" ")
    yield "1,000 nested tables", head + b"".join(
        b"\\pard\\intbl\\itap%d level %d\\nestcell" % (i, i) for i in range(1, 1001)) + b"}"
    row = b"\\trowd\\cellx2000\\cellx4000\\cellx6000\\pard\\intbl a\\cell b\\cell c\\cell\\row\n"
    yield "100,000 table rows", head + row * 100_000 + b"}"
    fonts = b"".join(b"{\\f%d Font%d;}" % (i, i) for i in range(100_000))
    yield "100,000 fonts, all used", (
        b"{\\rtf1\\ansi{\\fonttbl" + fonts + b"}" +
        b"".join(b"{\\f%d x}" % i for i in range(100_000)) + b"}")
    colors = b"".join(b"\\red%d\\green%d\\blue%d;" % (i % 256, i // 256 % 256, i % 7)
                      for i in range(100_000))
    yield "100,000 colours, all used", (
        b"{\\rtf1\\ansi{\\colortbl;" + colors + b"}" +
        b"".join(b"{\\cf%d x}" % i for i in range(1, 100_001)) + b"}")
    cpg = b"".join(b"{\\f%d\\cpg%d F%d;}" % (i, 1250 + i % 60000, i) for i in range(100_000))
    yield "100,000 fonts with \\cpg", b"{\\rtf1\\ansi{\\fonttbl" + cpg + b"}text}"
    dbcs = "日本語のテキスト、".encode("cp932") * (10_000_000 // 18)
    yield "10 MB double-byte text", (
        b"{\\rtf1\\ansi\\ansicpg932{\\fonttbl{\\f0\\fcharset128 MS Mincho;}}\\f0 " + dbcs + b"}")
    yield "10 MB single paragraph", head + b"word " * 2_000_000 + b"}"
    yield "1 M \\line paragraph", head + b"ab\\line " * 1_000_000 + b"}"
    yield "1 M formatting runs", head + b"{\\b x}{\\i y}" * 500_000 + b"}"
    yield "cells without rows", head + b"\\pard\\intbl c\\cell " * 1_000_000 + b"}"
    yield "1 M paragraphs", head + b"ab\\par " * 1_000_000 + b"}"
    # Formats that differ only in what Qt leaves out of a format's hash: kept words, tab stops,
    # a table's column widths.
    yield "50,000 runs, each its own \\expnd", head + b"".join(
        b"{\\expnd%d x}" % i for i in range(1, 50_001)) + b"}"
    yield "30,000 paragraphs, each its own tab stop", head + b"".join(
        b"\\pard\\tx%d a\\par\n" % (100 + i) for i in range(30_000)) + b"}"
    yield "20,000 tables, each its own width", head + b"".join(
        b"\\trowd\\cellx%d\\pard\\intbl a\\cell\\row\\pard p\\par\n" % (1000 + i)
        for i in range(20_000)) + b"}"
    # Widths Qt's layout pays for that characters do not show: tabs, narrow cells.
    yield "100,000 tabs in one paragraph", head + b"a\\tab " * 100_000 + b"}"
    yield "1 M tabs in one paragraph", head + b"a\\tab " * 1_000_000 + b"}"
    words = b" ".join(b"word%d" % (i % 10) for i in range(200))
    yield "4,000 one-cell tables 20 twips wide", head + (
        b"\\trowd\\cellx20\\pard\\intbl " + words + b"\\cell\\row\n") * 4_000 + b"}"


def main():
    args = sys.argv[1:]
    build = "build"
    runs = "1"
    keep = None
    timeout = 120
    only = None
    while args:
        a = args.pop(0)
        if a == "--runs":
            runs = args.pop(0)
        elif a == "--keep":
            keep = args.pop(0)
        elif a == "--timeout":
            timeout = int(args.pop(0))
        elif a == "--only":
            only = args.pop(0)
        else:
            build = a
    bench = os.path.join(build, "bench", "display_bench")
    folder = keep or tempfile.mkdtemp(prefix="hostile-rtf-")
    os.makedirs(folder, exist_ok=True)
    print("| case | bytes | time to idle (ms) | longest stall (ms) | peak MiB |")
    print("|---|---:|---:|---:|---:|")
    for index, (name, data) in enumerate(cases()):
        if only is not None and str(index) not in only.split(","):
            continue
        path = os.path.join(folder, "case%02d.rtf" % index)
        with open(path, "wb") as f:
            f.write(data)
        try:
            out = subprocess.run([bench, "--runs", runs, "--files", path], capture_output=True,
                                 text=True, timeout=timeout).stdout.splitlines()
            fields = out[-1].split()
            # display_bench's last line ends in: first, ready ms, peak MiB, stall ms, window,
            # unrolled
            print("| %s | %d | %s | %s | %s |" % (name, len(data), fields[-5], fields[-3],
                                                fields[-4]))
        except (subprocess.TimeoutExpired, IndexError):
            print("| %s | %d | over %d s | - | - |" % (name, len(data), timeout))
        sys.stdout.flush()
        if not keep:
            os.remove(path)


if __name__ == "__main__":
    main()
