// Times the display operation as a user meets it: a whole Pagewell process started on a file,
// until the pane holds the text and the event loop has nothing left to do. Reports the time and
// the process's peak memory for generated plain files of several sizes and an RTF file.
//
//   display_bench [--runs N] [--sizes 100K,10M,100M] [--keep DIR]
//   display_bench [--runs N] --files A.rtf,B.rtf   (given files instead of generated ones)
#include "app/appfonts.h"
#include "app/pgwell.h"
#include "app/richtextbox.h"
#include "fakeplatform.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QTextEdit>
#include <QThread>
#include <QTimer>

#include <cstdio>
#include <unistd.h>

namespace {

constexpr qint64 quietMs = 200; // the loop counts as idle after blocking this long

qint64 peakKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLongLong();
    }
    return -1;
}

// The child: Pagewell's window started on the file, watched until idle.
int runChild(int argc, char **argv, const QString &file)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    installDesignFonts();
    QTemporaryDir program;
    FakePlatform fake(program.path());
    QElapsedTimer clock; // from before the window: showing the file at start-up is a stall too
    clock.start();
    pgwell window(fake.platform, {file});
    window.show();

    // Idle: the loop did nothing but this heartbeat for quietMs. The longest gap between two
    // beats is the longest time the window could not answer (Qt lays out the rest of a long
    // document in timer steps, between which it answers).
    constexpr qint64 beatMs = 50;
    qint64 blockStart = -1;
    qint64 lastBlock = 0;
    qint64 lastBusy = 0;
    qint64 lastBeat = 0;
    qint64 longestStall = lastBeat;
    QAbstractEventDispatcher *dispatcher = QAbstractEventDispatcher::instance();
    QObject::connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock,
                     [&] { blockStart = clock.elapsed(); });
    QObject::connect(dispatcher, &QAbstractEventDispatcher::awake, [&] {
        if (blockStart >= 0)
            lastBlock = clock.elapsed() - blockStart;
        blockStart = -1;
    });
    QTimer heartbeat;
    heartbeat.setInterval(int(beatMs));
    QObject::connect(&heartbeat, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        longestStall = std::max(longestStall, now - lastBeat);
        lastBeat = now;
        if (lastBlock < beatMs * 8 / 10 || lastBusy == 0)
            lastBusy = now; // the first beat ends the start-up, which is not idle time
        lastBlock = 0;
        if (now - lastBusy >= quietMs) {
            std::printf("IDLE quiet=%lld chars=%lld peakKiB=%lld stall=%lld\n",
                        static_cast<long long>(now - lastBusy),
                        static_cast<long long>(window.Text1->textLength() + 1),
                        static_cast<long long>(peakKiB()), static_cast<long long>(longestStall));
            std::fflush(stdout);
            _exit(0); // the measurement is taken; tearing down is not part of it
        }
    });
    heartbeat.start();
    return app.exec();
}

QByteArray plainLines(qint64 size)
{
    static const char *words[] = {"the",   "viewer", "shows",  "text",     "files",  "quickly",
                                  "café",  "naïve",  "Grüße",  "ελληνικά", "данные", "and",
                                  "lines", "of",     "varied", "length",   "—",      "“quoted”"};
    QRandomGenerator random(42);
    QByteArray out;
    out.reserve(size + 200);
    while (out.size() < size) {
        const int count = 4 + int(random.bounded(14));
        for (int i = 0; i < count; ++i) {
            if (i)
                out += ' ';
            out += words[random.bounded(int(std::size(words)))];
        }
        out += "\r\n";
    }
    return out;
}

QByteArray richText(qint64 size)
{
    QRandomGenerator random(7);
    QByteArray out =
        "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fswiss Arial;}{\\f1\\froman "
        "Times New Roman;}}{\\colortbl;\\red200\\green0\\blue0;\\red0\\green0\\blue160;}"
        "\\f0\\fs20\n";
    out.reserve(size + 200);
    while (out.size() < size) {
        out += "\\pard\\sa120 ";
        const int runs = 3 + int(random.bounded(6));
        for (int i = 0; i < runs; ++i) {
            switch (random.bounded(5)) {
            case 0:
                out += "{\\b bold words in a run} ";
                break;
            case 1:
                out += "{\\i\\cf2 italic and blue} ";
                break;
            case 2:
                out += "caf\\'e9 na\\'efve \\u8364\\'80 ";
                break;
            case 3:
                out += "{\\f1\\fs24 another face, a little larger} ";
                break;
            default:
                out += "plain text that goes on for a while like most paragraphs do ";
            }
        }
        out += "\\par\n";
    }
    out += "}";
    return out;
}

struct Sample
{
    QString name;
    QByteArray bytes;
};

} // namespace

int main(int argc, char **argv)
{
    if (argc == 3 && qstrcmp(argv[1], "--child") == 0)
        return runChild(argc, argv, QString::fromLocal8Bit(argv[2]));

    QCoreApplication app(argc, argv);
    int runs = 3;
    QStringList sizes = {QStringLiteral("100K"), QStringLiteral("10M"), QStringLiteral("100M"),
                         QStringLiteral("rtf5M")};
    QStringList files;
    const QStringList args = app.arguments();
    for (int i = 1; i + 1 < args.size(); ++i) {
        if (args[i] == QLatin1String("--files"))
            files = args[i + 1].split(u',');
        if (args[i] == QLatin1String("--runs"))
            runs = args[i + 1].toInt();
        if (args[i] == QLatin1String("--sizes"))
            sizes = args[i + 1].split(u',');
    }

    QTemporaryDir dir;
    std::printf("%-24s %12s %14s %14s %12s %12s\n", "file", "bytes", "median ms", "best ms",
                "peak MiB", "stall ms");
    if (!files.isEmpty())
        sizes = files;
    for (const QString &size : sizes) {
        QString name;
        QByteArray bytes;
        if (!files.isEmpty()) {
            QFile given(size);
            if (!given.open(QIODevice::ReadOnly))
                return 1;
            name = QFileInfo(size).fileName();
            bytes = given.readAll();
        } else if (size == QLatin1String("rtf5M")) {
            name = QStringLiteral("rich5M.rtf");
            bytes = richText(5 << 20);
        } else {
            qint64 n = size.chopped(1).toLongLong();
            n *= size.endsWith(u'M') ? (1 << 20) : 1024;
            name = QStringLiteral("plain%1.txt").arg(size);
            bytes = plainLines(n);
        }
        const QString path = dir.filePath(name);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            return 1;
        file.close();

        QList<qint64> times;
        qint64 peak = 0;
        qint64 stall = 0;
        for (int r = 0; r < runs; ++r) {
            QProcess child;
            QElapsedTimer clock;
            clock.start();
            child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--child"), path});
            child.waitForReadyRead(600000);
            const qint64 elapsed = clock.elapsed();
            const QByteArray line = child.readLine().trimmed();
            child.waitForFinished();
            // IDLE quiet=Q chars=C peakKiB=P stall=S
            const QList<QByteArray> fields = line.split(' ');
            if (fields.size() != 5 || fields[0] != "IDLE") {
                std::fprintf(stderr, "child failed on %s: %s\n", qPrintable(name),
                             line.constData());
                return 1;
            }
            const qint64 quiet = fields[1].mid(6).toLongLong();
            if (fields[2].mid(6).toLongLong() < 2) {
                std::fprintf(stderr, "the pane stayed empty for %s\n", qPrintable(name));
                return 1;
            }
            times.append(elapsed - quiet);
            peak = qMax(peak, fields[3].mid(8).toLongLong());
            stall = qMax(stall, fields[4].mid(6).toLongLong());
        }
        std::sort(times.begin(), times.end());
        std::printf("%-24s %12lld %14lld %14lld %12.1f %12lld\n", qPrintable(name),
                    static_cast<long long>(bytes.size()), static_cast<long long>(times[runs / 2]),
                    static_cast<long long>(times.first()), peak / 1024.0,
                    static_cast<long long>(stall));
        std::fflush(stdout);
    }
    return 0;
}
