// SPDX-License-Identifier: GPL-3.0-or-later
// Speed of the RTF reader on a generated 5 MB text-heavy document:
//   parse      - tokenizing, decoding and batching runs, no document (MB/s of RTF)
//   plainText  - RtfReader::plainText
//   read       - RtfReader::read into a QTextDocument, with the process's peak memory
//   write      - RtfWriter::write of that document, as a Save makes it (MB/s of RTF read)
#include "rtf/rtfparser.h"
#include "rtf/rtfreader.h"
#include "rtf/rtfwriter.h"

#include <QFile>
#include <QGuiApplication>
#include <QTextDocument>

#include <benchmark/benchmark.h>

namespace {

QByteArray makeDocument(qsizetype size)
{
    QByteArray rtf = "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\froman Times New Roman;}"
                     "{\\f1\\fswiss Arial;}}{\\colortbl;\\red192\\green0\\blue0;"
                     "\\red0\\green0\\blue255;}\\fs22\n";
    const char *const words[] = {"lorem",      "ipsum", "dolor", "sit", "amet",    "consectetur",
                                 "adipiscing", "elit",  "sed",   "do",  "eiusmod", "tempor"};
    rtf.reserve(size + 4096);
    unsigned seed = 1;
    auto next = [&seed] {
        return (seed = seed * 1103515245u + 12345u) >> 16;
    };
    while (rtf.size() < size) {
        rtf += "\\pard\\sa120 ";
        for (int w = 0; w < 60; ++w) {
            const unsigned r = next();
            switch (r % 16) {
            case 0:
                rtf += "{\\b ";
                rtf += words[r % 12];
                rtf += "} ";
                break;
            case 1:
                rtf += "{\\i ";
                rtf += words[r % 12];
                rtf += "} ";
                break;
            case 2:
                rtf += "{\\cf1 ";
                rtf += words[r % 12];
                rtf += "} ";
                break;
            case 3:
                rtf += "caf\\'e9 na\\'efve ";
                break;
            case 4:
                rtf += "\\u8364? \\u945\\'3f ";
                break;
            case 5:
                rtf += "{\\f1\\ul ";
                rtf += words[r % 12];
                rtf += "} ";
                break;
            default:
                rtf += words[r % 12];
                rtf += ' ';
                break;
            }
        }
        rtf += "\\par\n";
    }
    rtf += '}';
    return rtf;
}

const QByteArray &document()
{
    static const QByteArray rtf = makeDocument(5 * 1024 * 1024);
    return rtf;
}

long peakKilobytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    }
    return 0;
}

// Receives the content and drops it, so only the parser is measured.
class CountingSink : public RtfContentSink
{
public:
    void text(QStringView text, const RtfCharFormat &, const RtfParagraphFormat &) override
    {
        characters += text.size();
    }
    void paragraphEnd(const RtfParagraphFormat &, const RtfCharFormat &, bool) override
    {
        ++characters;
    }
    void cellEnd(int, const RtfParagraphFormat &) override {}
    void rowEnd(int, const RtfRowDefinition &) override {}
    bool picture(const RtfPicture &, const RtfCharFormat &, const RtfParagraphFormat &) override
    {
        return true;
    }
    void finish(const RtfParagraphFormat &) override {}

    qint64 characters = 0;
};

void parse(benchmark::State &state)
{
    const QByteArray &rtf = document();
    for (auto _ : state) {
        RtfParser parser;
        CountingSink sink;
        parser.parse(rtf, sink);
        benchmark::DoNotOptimize(sink.characters);
    }
    state.SetBytesProcessed(state.iterations() * rtf.size());
}

void plainText(benchmark::State &state)
{
    const QByteArray &rtf = document();
    for (auto _ : state)
        benchmark::DoNotOptimize(RtfReader::plainText(rtf));
    state.SetBytesProcessed(state.iterations() * rtf.size());
}

void read(benchmark::State &state)
{
    const QByteArray &rtf = document();
    const long before = peakKilobytes();
    for (auto _ : state) {
        QTextDocument doc;
        RtfReader::read(rtf, &doc);
        benchmark::DoNotOptimize(doc.characterCount());
    }
    state.SetBytesProcessed(state.iterations() * rtf.size());
    state.counters["peak_MB_before"] = before / 1024.0;
    state.counters["peak_MB"] = peakKilobytes() / 1024.0;
}

void write(benchmark::State &state)
{
    const QByteArray &rtf = document();
    QTextDocument doc;
    RtfReader::read(rtf, &doc);
    for (auto _ : state)
        benchmark::DoNotOptimize(RtfWriter::write(doc));
    state.SetBytesProcessed(state.iterations() * rtf.size());
}

} // namespace

BENCHMARK(parse)->Unit(benchmark::kMillisecond);
BENCHMARK(plainText)->Unit(benchmark::kMillisecond);
BENCHMARK(read)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(write)->Unit(benchmark::kMillisecond);

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    std::printf("RTF input: %.1f MB\n", document().size() / 1048576.0);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
