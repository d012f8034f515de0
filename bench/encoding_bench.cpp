// SPDX-License-Identifier: GPL-3.0-or-later
// Recognizing and reading a text in an older code page: the guess from its 64 KiB sample, and
// a 2 MiB file (the largest read on the window's thread) read whole, beside UTF-8.
#include "plaintext/plaintextloader.h"
#include "text/legacyencodingguess.h"

#include <QFile>
#include <QStringEncoder>

#include <benchmark/benchmark.h>

namespace {

QString sample(const char *name)
{
    QFile file(QStringLiteral(PAGEWELL_FIXTURES "/encodings/%1.txt").arg(QLatin1String(name)));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

QByteArray file(const char *name, const char *encoding, qsizetype size)
{
    const QByteArray unit = QStringEncoder(encoding).encode(sample(name));
    return unit.repeated(size / unit.size() + 1).left(size);
}

void guess(benchmark::State &state, const char *name, const char *encoding)
{
    const QByteArray bytes = file(name, encoding, LegacyEncodingGuess::sampleSize);
    for (auto _ : state)
        benchmark::DoNotOptimize(LegacyEncodingGuess::of(bytes));
}

void load(benchmark::State &state, const char *name, const char *encoding)
{
    const QByteArray bytes = file(name, encoding, 2 << 20);
    for (auto _ : state)
        benchmark::DoNotOptimize(PlainTextLoader::fromBytes(bytes).buffer.length());
    state.SetBytesProcessed(state.iterations() * bytes.size());
}

} // namespace

BENCHMARK_CAPTURE(guess, shift_jis, "japanese", "Shift_JIS")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(guess, windows_1251, "russian", "windows-1251")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(load, utf_8, "japanese", "UTF-8")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(load, shift_jis, "japanese", "Shift_JIS")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(load, gb18030, "chinese-simplified", "GB18030")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(load, windows_1251, "russian", "windows-1251")->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
