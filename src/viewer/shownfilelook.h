// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "viewer/appendedtext.h"
#include "viewer/shownfile.h"

#include <QObject>
#include <QTimer>

#include <functional>
#include <memory>
#include <optional>

// Looks at the shown file on a thread of its own, so that the window never waits on its disk:
// what the name finds now and, for a plain file another program only added to, the text it
// gained. The answer comes on a later turn of the event loop. One look at a time: while one is
// under way no other starts. A look that does not end within a few seconds (a stuck network
// mount) is given up; its thread may stay blocked in the system, and until it comes back no new
// look of the same file starts, so that blocked threads do not pile up. What it returns then
// goes nowhere and is freed at once.
class ShownFileLook : public QObject
{
    Q_OBJECT

public:
    struct Request
    {
        QString path;
        ShownFile::Identity was; // the file as the pane shows it
        QString target;          // where the name led at the display, links followed
        qint64 from = 0;         // the bytes of it the pane holds
        QByteArray tail;         // the last of them
        TextEncoding encoding = TextEncoding::Utf8;
        bool mayAppend = false; // a plain text shown as such, unedited: its new end may be read
        qint64 limit = 0;       // the most that is read of a new end
        // Only the last bytes before from are read, for the next look's check that the file
        // was only added to.
        bool tailOnly = false;
    };
    struct Outcome
    {
        ShownFile::Identity now;        // all zero when the name finds nothing
        QString resolved;               // where the name leads now
        AppendedText::Read appended;    // ok when the file was only added to and that was read
        std::optional<QByteArray> tail; // a tailOnly look that found the same file, as long
        bool gaveUp = false;            // the file did not answer: nothing is known
    };
    using Look = std::function<Outcome(const Request &)>;
    using Done = std::function<void(Outcome &&)>;

    explicit ShownFileLook(QObject *parent = nullptr);
    ~ShownFileLook() override;

    // Starts a look and calls done with what it found on the GUI thread; false, and done is
    // never called, while another look is under way or a given-up one of the file still blocks.
    bool start(const Request &request, Done done);
    bool isLooking() const { return bool(m_job); }

    // What a look does, on its thread.
    static Outcome look(const Request &request);
    // Stands in for look(), for a test.
    void setLook(Look look) { m_look = std::move(look); }

    static constexpr int defaultAnswerTimeoutMs = 5000;
    void setAnswerTimeout(int ms) { m_answerTimeoutMs = ms; }

private:
    struct Job;
    struct Mailbox;
    void deliver(const std::shared_ptr<Job> &job);
    void giveUp();

    std::shared_ptr<Mailbox> m_mailbox;
    std::shared_ptr<Job> m_job;
    std::shared_ptr<Job> m_stuck; // given up, its thread perhaps still blocked
    Look m_look;
    int m_answerTimeoutMs = defaultAnswerTimeoutMs;
    QTimer m_answerTimer;
};
