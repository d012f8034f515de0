// SPDX-License-Identifier: GPL-3.0-or-later
// Times the plain pane drawing texts that are hard to lay out, shown in a window with the focus
// (its caret blinking), wrapped and not:
//   show ms     from setting the text until the first paint is done
//   stall ms    the longest the GUI thread could not answer (the longest gap between the beats
//               of a 10 ms timer) while the text is shown, scrolled a page down and back, and
//               the caret moved along it
//   idle %      the GUI thread's CPU time over 3 s of doing nothing with the text shown
//
//   drawing_bench [--cases bidi,marks,mixed,words] [--no-wrap]
//
// The cases: bidi, one line of 100,000 nested right-to-left embeddings (U+202B ... U+202C)
// around Hebrew and Latin letters; marks, a few letters each carrying thousands of combining
// marks; mixed, long lines of Arabic, Latin and emoji; words, a plain 1 MB line for reference.
#include "plaintext/plaintextview.h"
#include "plaintext/textbuffer.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QKeyEvent>
#include <QScrollBar>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>

namespace {

QString bidiEmbeddings(int depth)
{
    QString text;
    text.reserve(depth * 3);
    for (int i = 0; i < depth; ++i) {
        text += QChar(0x202B);
        if (i % 100 == 0)
            text += (i % 200 == 0) ? QStringLiteral("\u05e9\u05dc\u05d5\u05dd ") : u"abc "_qs;
    }
    for (int i = 0; i < depth; ++i)
        text += QChar(0x202C);
    return text + u'\n';
}

QString markStorm(int letters, int marksEach)
{
    QString text;
    for (int l = 0; l < letters; ++l) {
        text += QChar(u'a' + l % 26);
        for (int m = 0; m < marksEach; ++m)
            text += QChar(0x0300 + m % 0x70);
        text += u' ';
    }
    return text + u'\n';
}

QString mixedScripts(int lines, int length)
{
    const QString pieces[] = {QStringLiteral("\u0645\u0631\u062d\u0628\u0627 "),
                              QStringLiteral("hello "), QStringLiteral("\U0001F600 "),
                              QStringLiteral("\u05e9\u05dc\u05d5\u05dd ")};
    QString text;
    for (int l = 0; l < lines; ++l) {
        for (int i = 0; text.size() < (l + 1) * length; ++i)
            text += pieces[(i * 7 + l) % 4];
        text += u'\n';
    }
    return text;
}

QString words(int size)
{
    QString text;
    while (text.size() < size)
        text += QStringLiteral("lorem ipsum dolor ");
    return text + u'\n';
}

qint64 threadCpuNs()
{
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return qint64(t.tv_sec) * 1000000000 + t.tv_nsec;
}

// Runs the event loop for ms, the heartbeat counting the longest gap.
void spin(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

struct Result
{
    qint64 showMs = 0;
    qint64 stallMs = 0;
    double idlePercent = 0;
};

Result measure(const QString &text, bool wrapping)
{
    PlainTextView view;
    view.resize(900, 700);
    view.setWrapping(wrapping);
    view.show();
    view.activateWindow();
    view.setFocus();
    spin(200);

    qint64 longest = 0;
    QElapsedTimer beat;
    beat.start();
    QTimer heartbeat;
    heartbeat.setInterval(10);
    QObject::connect(&heartbeat, &QTimer::timeout,
                     [&] { longest = std::max(longest, beat.restart()); });

    Result result;
    QElapsedTimer clock;
    clock.start();
    view.document().setBuffer(TextBuffer(text));
    view.viewport()->repaint();
    result.showMs = clock.elapsed();

    beat.restart();
    heartbeat.start();
    spin(500);
    const auto key = [&view](Qt::Key k) {
        QKeyEvent press(QEvent::KeyPress, k, Qt::NoModifier);
        QCoreApplication::sendEvent(&view, &press);
        spin(30);
    };
    key(Qt::Key_PageDown);
    key(Qt::Key_PageUp);
    for (int i = 0; i < 20; ++i)
        key(Qt::Key_Right);
    key(Qt::Key_End);
    key(Qt::Key_Home);
    spin(500);
    result.stallMs = longest;

    const qint64 cpuBefore = threadCpuNs();
    QElapsedTimer idle;
    idle.start();
    heartbeat.stop();
    spin(3000);
    result.idlePercent = 100.0 * double(threadCpuNs() - cpuBefore) / double(idle.nsecsElapsed());
    return result;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QStringList cases = {QStringLiteral("bidi"), QStringLiteral("marks"), QStringLiteral("mixed"),
                         QStringLiteral("words")};
    bool wrapping = true;
    const QStringList args = app.arguments();
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--cases") && i + 1 < args.size())
            cases = args[++i].split(u',');
        else if (args[i] == QLatin1String("--no-wrap"))
            wrapping = false;
    }
    const std::function<QString()> makers[] = {[] { return bidiEmbeddings(100000); },
                                               [] { return markStorm(40, 5000); },
                                               [] { return mixedScripts(50, 20000); },
                                               [] {
                                                   return words(1 << 20);
                                               }};
    const QStringList names = {QStringLiteral("bidi"), QStringLiteral("marks"),
                               QStringLiteral("mixed"), QStringLiteral("words")};
    std::printf("%-8s %-8s %10s %10s %8s\n", "case", "wrap", "show ms", "stall ms", "idle %");
    for (const QString &name : cases) {
        const int index = int(names.indexOf(name));
        if (index < 0) {
            std::fprintf(stderr, "unknown case %s\n", qPrintable(name));
            return 2;
        }
        const Result r = measure(makers[index](), wrapping);
        std::printf("%-8s %-8s %10lld %10lld %8.1f\n", qPrintable(name), wrapping ? "yes" : "no",
                    static_cast<long long>(r.showMs), static_cast<long long>(r.stallMs),
                    r.idlePercent);
        std::fflush(stdout);
    }
    return 0;
}
