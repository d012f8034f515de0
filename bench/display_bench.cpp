// SPDX-License-Identifier: GPL-3.0-or-later
// Times the display operation as a user meets it: a whole Pagewell process started on a file,
// from the moment the benchmark launches it. Reports, for generated plain files of several
// sizes, single 5 MB lines and an RTF file:
//   first ms    the pane has painted text (the file, or the first lines of a large one)
//   ready ms    the GUI thread's last work before 200 ms in which it used no CPU time worth
//               counting, with the file shown (its CPU clock, sampled every 2 ms from a thread of
//               the benchmark's own)
//   peak MiB    the process's peak resident memory
//   stall ms    the longest the GUI thread was busy without a break (the window could not answer)
//   window ms   the main window is built (Qt's start-up, fonts, lists, settings included)
//   unrolled ms the window has unrolled to its full height, which by design starts 100 ms after
//               the window is built; ready cannot come before it
//
//   display_bench [--runs N] [--sizes 100K,10M,100M,1G,10G,line5M,words5M,rtf5M]
//   (the G sizes are a server's log, made by the benchmark and deleted after)
//   display_bench [--runs N] --files A.rtf,B.rtf   (given files instead of generated ones)
//   display_bench ... --compare geany,featherpad   (other editors beside it, on $DISPLAY)
//
// Other editors run on the X display (start the benchmark under xvfb-run); their first screen
// is the moment their window is mapped, their ready the moment their CPU time stops growing.
#include "app/pgwell.h"
#include "controls/appfonts.h"
#include "controls/richtextbox.h"
#include "fakeplatform.h"
#include "windowcontrols.h"

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
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <pthread.h>
#include <signal.h>
#include <thread>
#include <time.h>
#include <unistd.h>

namespace {

constexpr qint64 quietMs = 200; // the loop counts as idle after blocking this long

// The system's monotonic clock, which the benchmark and its child read alike.
qint64 monotonicMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

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

// With PAGEWELL_SLOW_EVENTS=N in its environment the child tells on standard error of every
// event that kept the GUI thread N ms or longer: its type and receiver, nested ones indented,
// so that a stall can be laid at an event handler's door.
class SlowEventLog : public QApplication
{
public:
    SlowEventLog(int &argc, char **argv)
        : QApplication(argc, argv), m_limitMs(qEnvironmentVariableIntValue("PAGEWELL_SLOW_EVENTS"))
    {
    }

    bool notify(QObject *receiver, QEvent *event) override
    {
        if (m_limitMs <= 0)
            return QApplication::notify(receiver, event);
        const int type = event->type();
        const auto cpuMs = [] {
            timespec t;
            clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
            return qint64(t.tv_sec) * 1000 + t.tv_nsec / 1000000;
        };
        QElapsedTimer clock;
        clock.start();
        const qint64 cpuBefore = cpuMs();
        ++m_depth;
        const bool done = QApplication::notify(receiver, event);
        --m_depth;
        if (const qint64 ms = clock.elapsed(); m_depth == 0 && ms >= 2)
            m_sinceBeat += QStringLiteral("%1 %2 %3ms(%4); ")
                               .arg(type)
                               .arg(QString::fromLatin1(receiver->metaObject()->className()))
                               .arg(ms)
                               .arg(cpuMs() - cpuBefore);
        if (const qint64 ms = clock.elapsed(); ms >= m_limitMs) {
            const QObject *parent = receiver ? receiver->parent() : nullptr;
            std::fprintf(stderr,
                         "SLOW %lld %*s%lld ms (CPU %lld ms) event %d to %s \"%s\" (in %s)\n",
                         static_cast<long long>(monotonicMs() % 100000), 2 * m_depth, "",
                         static_cast<long long>(ms), static_cast<long long>(cpuMs() - cpuBefore),
                         type, receiver ? receiver->metaObject()->className() : "-",
                         receiver ? qPrintable(receiver->objectName()) : "",
                         parent ? parent->metaObject()->className() : "-");
        }
        return done;
    }

    int limitMs() const { return m_limitMs; }
    // The events of 2 ms or more since the last call.
    QString takeSinceBeat() { return std::exchange(m_sinceBeat, QString()); }

private:
    int m_limitMs;
    int m_depth = 0;
    QString m_sinceBeat;
};

// The child: Pagewell's window started on the file, watched until idle. Times count from
// `launched`, the benchmark's monotonic clock when it started this process.
int runChild(int argc, char **argv, const QString &file, qint64 launched)
{
    const auto now = [launched] {
        return monotonicMs() - launched;
    };
    qputenv("QT_QPA_PLATFORM", "offscreen");
    SlowEventLog app(argc, argv);
    installDesignFonts();
    QTemporaryDir program;
    FakePlatform fake(program.path());
    pgwell window(fake.platform, {file});
    const QString programPath = program.path();
    const qint64 windowMs = now();
    // Looked up once: finding the window's controls on every turn of the loop would make up
    // much of what its thread does.
    const RichTextBox *const pane = ui(window).Text1;
    window.show();

    // A watcher on a thread of its own samples the GUI thread's CPU time: it adds no events, so
    // all the GUI thread does is the program's. The GUI thread is busy in a sample when it used
    // more than a tenth of it.
    clockid_t guiClock;
    pthread_getcpuclockid(pthread_self(), &guiClock);
    const auto cpuNs = [guiClock] {
        timespec t;
        clock_gettime(guiClock, &t);
        return qint64(t.tv_sec) * 1000000000 + t.tv_nsec;
    };
    std::atomic<bool> shown{false};
    std::atomic<qint64> unrolledMs{-1};
    QAbstractEventDispatcher *dispatcher = QAbstractEventDispatcher::instance();
    QObject::connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, [&] {
        // Shown whole: a large file's line index is complete, its preview gone.
        shown = !window.viewer().shownFile().isEmpty() && !window.viewer().isLoading() &&
                !pane->showsLoadPreview();
        if (unrolledMs < 0 && window.heightTwips() >= pgwell::fullHeightTwips)
            unrolledMs = now();
    });
    // The longest gap between two beats of a light timer is the longest time the window could
    // not answer.
    std::atomic<qint64> longestStall{0};
    qint64 lastBeat = now();
    QTimer heartbeat;
    heartbeat.setInterval(20);
    QObject::connect(&heartbeat, &QTimer::timeout, [&] {
        const qint64 t = now();
        longestStall = std::max<qint64>(longestStall, t - lastBeat);
        if (app.limitMs() > 0 && t - lastBeat >= app.limitMs() + 20)
            std::fprintf(stderr, "GAP  %lld %lld ms since the last beat: %s\n",
                         static_cast<long long>(monotonicMs() % 100000),
                         static_cast<long long>(t - lastBeat), qPrintable(app.takeSinceBeat()));
        app.takeSinceBeat();
        lastBeat = t;
    });
    heartbeat.start();
    std::thread watcher([&] {
        constexpr qint64 sampleMs = 2;
        qint64 lastCpu = cpuNs();
        qint64 lastBusy = now();
        for (;;) {
            std::this_thread::sleep_for(std::chrono::milliseconds(sampleMs));
            const qint64 t = now();
            const qint64 cpu = cpuNs();
            const qint64 used = cpu - lastCpu;
            lastCpu = cpu;
            if (used > sampleMs * 100000)
                lastBusy = t;
            if (!shown || unrolledMs < 0 || t - lastBusy < quietMs)
                continue;
            std::printf("IDLE ready=%lld peakKiB=%lld stall=%lld window=%lld unrolled=%lld\n",
                        static_cast<long long>(lastBusy), static_cast<long long>(peakKiB()),
                        static_cast<long long>(longestStall.load()),
                        static_cast<long long>(windowMs),
                        static_cast<long long>(unrolledMs.load()));
            std::fflush(stdout);
            // The measurement is taken; tearing down is not part of it, but the scratch
            // folder goes, or every run would leave one behind.
            QDir(programPath).removeRecursively();
            _exit(0);
        }
    });
    watcher.detach();

    // First screen: the pane holds text and has painted it.
    QTimer firstScreen;
    firstScreen.setInterval(5);
    QObject::connect(&firstScreen, &QTimer::timeout, [&] {
        // The start-up hint is shown until the file, or the preview of a large one, is.
        if (window.viewer().shownFile().isEmpty() && !pane->showsLoadPreview())
            return;
        window.repaint();
        std::printf("FIRST %lld\n", static_cast<long long>(now()));
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

// Lines as a server's log has them, about size bytes: written again and again, they make the
// gigabyte files without holding them in memory.
QByteArray logLines(qint64 size)
{
    static const char *levels[] = {"INFO", "INFO", "INFO", "DEBUG", "WARN", "ERROR"};
    static const char *what[] = {"request served",    "cache miss",      "connection closed",
                                 "retrying upstream", "session started", "payload rejected"};
    QRandomGenerator random(7);
    QByteArray out;
    out.reserve(size + 200);
    for (qint64 n = 0; out.size() < size; ++n) {
        out += "2026-12-07 10:";
        out += QByteArray::number(10 + n / 6000 % 50) + ':' + QByteArray::number(10 + n / 100 % 50);
        out += '.' + QByteArray::number(100 + n % 900) + ' ';
        out += levels[random.bounded(int(std::size(levels)))];
        out += " [worker-" + QByteArray::number(random.bounded(8)) + "] ";
        out += what[random.bounded(int(std::size(what)))];
        out += " id=" + QByteArray::number(random.bounded(1000000)) + " in " +
               QByteArray::number(random.bounded(900)) + " ms\n";
    }
    return out;
}

// A log of size bytes at path, written block by block.
bool writeLog(const QString &path, qint64 size)
{
    const QByteArray block = logLines(8 << 20);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    for (qint64 written = 0; written < size;) {
        const qint64 n = std::min<qint64>(block.size(), size - written);
        if (file.write(block.constData(), n) != n)
            return false;
        written += n;
    }
    return true;
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
    qint64 windowMs = -1;
    qint64 unrolledMs = -1;
};

// Pagewell, in a child process of this benchmark on the offscreen platform.
std::optional<Measurement> measurePagewell(const QString &path)
{
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel); // what the child says of itself
    const qint64 launched = monotonicMs();
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--child"), path, QString::number(launched)});
    Measurement m;
    const auto field = [](const QList<QByteArray> &fields, int i) {
        return fields[i].mid(fields[i].indexOf('=') + 1).toLongLong();
    };
    while (child.waitForReadyRead(600000)) {
        while (child.canReadLine()) {
            const QList<QByteArray> fields = child.readLine().trimmed().split(' ');
            if (fields.size() == 2 && fields[0] == "FIRST") {
                m.firstMs = fields[1].toLongLong();
                continue;
            }
            // IDLE ready=R peakKiB=P stall=S window=W unrolled=U
            if (fields.size() != 6 || fields[0] != "IDLE") {
                std::fprintf(stderr, "pagewell failed on %s: %s\n", qPrintable(path),
                             fields.join(' ').constData());
                return std::nullopt;
            }
            m.readyMs = field(fields, 1);
            m.peakKiB = field(fields, 2);
            m.stallMs = field(fields, 3);
            m.windowMs = field(fields, 4);
            m.unrolledMs = field(fields, 5);
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
    if (argc == 4 && qstrcmp(argv[1], "--child") == 0)
        return runChild(argc, argv, QString::fromLocal8Bit(argv[2]), std::atoll(argv[3]));

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
    std::printf("%-16s %9s %-11s %10s %10s %10s %10s %10s %11s\n", "file", "size", "program",
                "first ms", "ready ms", "peak MiB", "stall ms", "window ms", "unrolled ms");
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
            } else if (size.endsWith(u'G')) {
                name = QStringLiteral("log%1.txt").arg(size);
            } else {
                const qint64 unit = size.endsWith(u'M') ? (1 << 20) : 1024;
                name = QStringLiteral("plain%1.txt").arg(size);
                bytes = plainLines(size.chopped(1).toLongLong() * unit);
            }
            path = dir.filePath(name);
            if (size.endsWith(u'G')) {
                if (!writeLog(path, size.chopped(1).toLongLong() << 30))
                    return 1;
            } else {
                QFile file(path);
                if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
                    return 1;
            }
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
            const auto orDash = [](qint64 ms) {
                return ms < 0 ? QStringLiteral("-") : QString::number(ms);
            };
            std::printf("%-16s %9s %-11s %10lld %10lld %10.1f %10s %10s %11s\n", qPrintable(label),
                        qPrintable(bytes), qPrintable(program),
                        static_cast<long long>(median.firstMs),
                        static_cast<long long>(median.readyMs), peak / 1024.0,
                        qPrintable(orDash(median.stallMs)), qPrintable(orDash(median.windowMs)),
                        qPrintable(orDash(median.unrolledMs)));
            std::fflush(stdout);
        }
        if (files.isEmpty())
            QFile::remove(path); // the gigabyte files go at once
    }
    return 0;
}
