// Times the display operation as a user meets it: a whole Pagewell process started on a file,
// until the pane first shows text (first screen) and until the event loop has nothing left to
// do (ready). Reports both and the process's peak memory for generated plain files of several
// sizes, single 5 MB lines and an RTF file.
//
//   display_bench [--runs N] [--sizes 100K,10M,100M,1G,line5M,words5M,rtf5M]
//   display_bench [--runs N] --files A.rtf,B.rtf   (given files instead of generated ones)
//   display_bench ... --compare geany,featherpad   (other editors beside it, on $DISPLAY)
//
// Other editors run on the X display (start the benchmark under xvfb-run); their first screen
// is the moment their window is mapped, their ready the moment their CPU time stops growing.
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
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <signal.h>
#include <unistd.h>

namespace {

constexpr qint64 quietMs = 200; // the loop counts as idle after blocking this long

qint64 peakKiB(const QString &process = QStringLiteral("self"))
{
    QFile status(QStringLiteral("/proc/%1/status").arg(process));
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
        // A file read in the background leaves the loop free before the text is there.
        if (lastBlock < beatMs * 8 / 10 || lastBusy == 0 || window.shownFile().isEmpty())
            lastBusy = now; // the first beat ends the start-up, which is not idle time
        lastBlock = 0;
        if (now - lastBusy >= quietMs) {
            std::printf("IDLE quiet=%lld chars=%lld peakKiB=%lld stall=%lld\n",
                        static_cast<long long>(now - lastBusy),
                        static_cast<long long>(window.Text1->textLength()),
                        static_cast<long long>(peakKiB()), static_cast<long long>(longestStall));
            std::fflush(stdout);
            _exit(0); // the measurement is taken; tearing down is not part of it
        }
    });
    heartbeat.start();

    // First screen: the pane holds text and has painted it.
    QTimer firstScreen;
    firstScreen.setInterval(5);
    QObject::connect(&firstScreen, &QTimer::timeout, [&] {
        // The start-up hint is shown until the file, or the preview of a large one, is.
        if (window.shownFile().isEmpty() && !window.Text1->showsLoadPreview())
            return;
        window.repaint();
        std::printf("FIRST\n");
        std::fflush(stdout);
        firstScreen.stop();
    });
    firstScreen.start();
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

// One long line of the given size: words separated by blanks, or one unbroken word.
QByteArray singleLine(qint64 size, bool spaces)
{
    QByteArray out;
    out.reserve(size + 1);
    const QByteArray word = spaces ? QByteArray("lorem ipsum dolor ") : QByteArray("loremipsum");
    while (out.size() < size)
        out += word;
    out.truncate(size);
    return out + "\n";
}

struct Measurement
{
    qint64 firstMs = -1;
    qint64 readyMs = -1;
    qint64 peakKiB = -1;
    qint64 stallMs = -1;
};

// Pagewell, in a child process of this benchmark on the offscreen platform.
std::optional<Measurement> measurePagewell(const QString &path)
{
    QProcess child;
    QElapsedTimer clock;
    clock.start();
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--child"), path});
    Measurement m;
    while (child.waitForReadyRead(600000)) {
        while (child.canReadLine()) {
            const qint64 elapsed = clock.elapsed();
            const QByteArray line = child.readLine().trimmed();
            if (line == "FIRST") {
                m.firstMs = elapsed;
                continue;
            }
            // IDLE quiet=Q chars=C peakKiB=P stall=S
            const QList<QByteArray> fields = line.split(' ');
            if (fields.size() != 5 || fields[0] != "IDLE" || fields[2].mid(6).toLongLong() < 1) {
                std::fprintf(stderr, "pagewell failed on %s: %s\n", qPrintable(path),
                             line.constData());
                return std::nullopt;
            }
            m.readyMs = elapsed - fields[1].mid(6).toLongLong();
            m.peakKiB = fields[3].mid(8).toLongLong();
            m.stallMs = fields[4].mid(6).toLongLong();
            child.waitForFinished();
            return m;
        }
    }
    return std::nullopt;
}

// The CPU time the process has used so far, in clock ticks.
qint64 cpuTicks(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray line = stat.readAll();
    // The fields after the command name (which may hold blanks) in parentheses.
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    return fields.size() > 12 ? fields[11].toLongLong() + fields[12].toLongLong() : -1;
}

bool windowMapped(qint64 pid)
{
    QProcess search;
    search.start(QStringLiteral("xdotool"),
                 {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                  QStringLiteral("--pid"), QString::number(pid)});
    search.waitForFinished();
    return search.exitCode() == 0 && !search.readAllStandardOutput().trimmed().isEmpty();
}

// Another editor on the X display, watched from outside.
std::optional<Measurement> measureOther(const QString &program, const QString &path)
{
    QTemporaryDir config;
    QStringList args;
    if (program == QLatin1String("geany"))
        args = {QStringLiteral("-i"), QStringLiteral("-s"), QStringLiteral("-c"), config.path()};
    else if (program == QLatin1String("featherpad"))
        args = {QStringLiteral("-s")};
    args << path;
    QProcess editor;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());
    editor.setProcessEnvironment(environment);
    QElapsedTimer clock;
    clock.start();
    editor.start(program, args);
    if (!editor.waitForStarted())
        return std::nullopt;
    const qint64 pid = editor.processId();
    Measurement m;
    qint64 ticks = cpuTicks(pid);
    qint64 lastChange = 0;
    while (clock.elapsed() < 600000 && editor.state() == QProcess::Running) {
        QThread::msleep(20);
        const qint64 now = clock.elapsed();
        if (m.firstMs < 0 && windowMapped(pid))
            m.firstMs = now;
        const qint64 t = cpuTicks(pid);
        if (t != ticks) {
            ticks = t;
            lastChange = now;
        } else if (m.firstMs >= 0 && now - lastChange >= quietMs) {
            m.readyMs = lastChange;
            m.peakKiB = peakKiB(QString::number(pid));
            break;
        }
    }
    ::kill(pid_t(pid), SIGKILL);
    editor.waitForFinished();
    if (m.readyMs < 0)
        return std::nullopt;
    return m;
}

QString megabytes(qint64 bytes)
{
    return bytes >= (1 << 30)   ? QStringLiteral("%1 GB").arg(bytes / double(1 << 30), 0, 'f', 1)
           : bytes >= (1 << 20) ? QStringLiteral("%1 MB").arg(bytes / double(1 << 20), 0, 'f', 1)
                                : QStringLiteral("%1 KB").arg(bytes / 1024.0, 0, 'f', 0);
}

} // namespace

int main(int argc, char **argv)
{
    if (argc == 3 && qstrcmp(argv[1], "--child") == 0)
        return runChild(argc, argv, QString::fromLocal8Bit(argv[2]));

    QCoreApplication app(argc, argv);
    int runs = 3;
    QStringList sizes = {QStringLiteral("100K"),    QStringLiteral("10M"),
                         QStringLiteral("100M"),    QStringLiteral("line5M"),
                         QStringLiteral("words5M"), QStringLiteral("rtf5M")};
    QStringList files;
    QStringList programs = {QStringLiteral("pagewell")};
    const QStringList args = app.arguments();
    for (int i = 1; i + 1 < args.size(); ++i) {
        if (args[i] == QLatin1String("--files"))
            files = args[i + 1].split(u',');
        if (args[i] == QLatin1String("--runs"))
            runs = qMax(1, args[i + 1].toInt());
        if (args[i] == QLatin1String("--sizes"))
            sizes = args[i + 1].split(u',');
        if (args[i] == QLatin1String("--compare"))
            programs += args[i + 1].split(u',');
    }

    QTemporaryDir dir;
    std::printf("%-16s %9s %-11s %10s %10s %10s %10s\n", "file", "size", "program", "first ms",
                "ready ms", "peak MiB", "stall ms");
    if (!files.isEmpty())
        sizes = files;
    for (const QString &size : sizes) {
        QString path;
        if (!files.isEmpty()) {
            path = QFileInfo(size).absoluteFilePath();
        } else {
            QByteArray bytes;
            QString name;
            if (size == QLatin1String("rtf5M")) {
                name = QStringLiteral("rich5M.rtf");
                bytes = richText(5 << 20);
            } else if (size == QLatin1String("line5M") || size == QLatin1String("words5M")) {
                name = size + QStringLiteral(".txt");
                bytes = singleLine(5 << 20, size.startsWith(u'w'));
            } else {
                const qint64 unit = size.endsWith(u'G')   ? (1 << 30)
                                    : size.endsWith(u'M') ? (1 << 20)
                                                          : 1024;
                name = QStringLiteral("plain%1.txt").arg(size);
                bytes = plainLines(size.chopped(1).toLongLong() * unit);
            }
            path = dir.filePath(name);
            QFile file(path);
            if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
                return 1;
        }
        const QString label = QFileInfo(path).fileName();
        const QString bytes = megabytes(QFileInfo(path).size());
        for (const QString &program : programs) {
            QList<Measurement> samples;
            for (int r = 0; r < runs; ++r) {
                const std::optional<Measurement> m = program == QLatin1String("pagewell")
                                                         ? measurePagewell(path)
                                                         : measureOther(program, path);
                if (!m)
                    break;
                samples.append(*m);
            }
            if (samples.isEmpty()) {
                std::printf("%-16s %9s %-11s %10s\n", qPrintable(label), qPrintable(bytes),
                            qPrintable(program), "failed");
                continue;
            }
            // The run with the median ready time; the peak is the highest of all runs.
            std::sort(
                samples.begin(), samples.end(),
                [](const Measurement &a, const Measurement &b) { return a.readyMs < b.readyMs; });
            const Measurement median = samples[samples.size() / 2];
            qint64 peak = 0;
            for (const Measurement &m : samples)
                peak = qMax(peak, m.peakKiB);
            std::printf("%-16s %9s %-11s %10lld %10lld %10.1f %10s\n", qPrintable(label),
                        qPrintable(bytes), qPrintable(program),
                        static_cast<long long>(median.firstMs),
                        static_cast<long long>(median.readyMs), peak / 1024.0,
                        median.stallMs < 0 ? "-" : qPrintable(QString::number(median.stallMs)));
            std::fflush(stdout);
        }
    }
    return 0;
}
