// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/clipboard.h"
#include "platform/dialogs.h"
#include "platform/environment.h"
#include "platform/executablefinder.h"
#include "platform/inputbox.h"
#include "platform/messageboxes.h"
#include "platform/platform.h"
#include "platform/programlauncher.h"
#include "platform/registry.h"
#include "platform/settingsstore.h"

#include <cstring>
#include <functional>
#include <QHash>
#include <QList>
#include <QPointer>
#include <QQueue>

// Platform services with scripted answers; every request is recorded for the test to read.
class FakeMessageBoxes : public MessageBoxes
{
public:
    struct Shown
    {
        QString text;
        Icon icon;
        Buttons buttons;
    };
    QList<Shown> shown;
    QQueue<Answer> answers; // for Yes/No questions; No when empty
    // Runs while the box is up, as events do behind a real box (a timer may tick there).
    std::function<void()> whileShown;

    Answer show(const QString &text, Icon icon, Buttons buttons, const QString &) override
    {
        shown.append({text, icon, buttons});
        if (whileShown)
            whileShown();
        if (buttons == Buttons::Ok)
            return Answer::Ok;
        return answers.isEmpty() ? Answer::No : answers.dequeue();
    }
    QString lastText() const { return shown.isEmpty() ? QString() : shown.last().text; }
};

class FakeInputBox : public InputBox
{
public:
    struct Asked
    {
        QString prompt;
        QString title;
        QString defaultText;
    };
    QQueue<QString> answers; // empty text (cancel) when none is left
    bool fail = false;       // when set, the box cannot be asked
    QList<Asked> asked;
    std::optional<QString> ask(const QString &prompt, const QString &title,
                               const QString &defaultText) override
    {
        asked.append({prompt, title, defaultText});
        if (fail)
            return std::nullopt;
        return answers.isEmpty() ? QString() : answers.dequeue();
    }
};

class FakeDialogs : public Dialogs
{
public:
    QQueue<std::optional<QString>> saveAnswers;
    std::optional<QColor> colorAnswer;
    std::function<bool(QPrinter &)> printerScript; // cancelled when not set
    int colorAsked = 0;
    int printerAsked = 0;
    std::optional<QString> saveFileName() override
    {
        return saveAnswers.isEmpty() ? std::nullopt : saveAnswers.dequeue();
    }
    std::optional<QColor> chooseColor(const QColor &) override
    {
        ++colorAsked;
        return colorAnswer;
    }
    bool choosePrinter(QPrinter &printer) override
    {
        ++printerAsked;
        return printerScript && printerScript(printer);
    }
};

class FakeLauncher : public ProgramLauncher
{
public:
    struct Started
    {
        QString program;
        QStringList arguments;
        QPointer<QObject> context; // for startWatched()
        Ended ended;
    };
    QList<Started> started;
    bool succeed = true;
    bool start(const QString &program, const QStringList &arguments, QString *error) override
    {
        return startWatched(program, arguments, nullptr, {}, error);
    }
    bool startWatched(const QString &program, const QStringList &arguments, QObject *context,
                      Ended ended, QString *error) override
    {
        started.append({program, arguments, context, std::move(ended)});
        if (!succeed && error)
            *error = QStringLiteral("Cannot start %1").arg(program);
        return succeed;
    }
    // The last program started ends with this status, as a real one would, later.
    void endLast(int exitStatus)
    {
        const Started &last = started.last();
        if (last.ended && last.context)
            last.ended(exitStatus);
    }
};

class FakeSettings : public SettingsStore
{
public:
    QHash<QString, QString> values; // "application/section/key" -> value
    QString failWith;               // when set, every write fails with this description
    bool writeValue(const QString &application, const QString &section, const QString &key,
                    const QString &value, QString *error) override
    {
        if (!failWith.isEmpty()) {
            if (error)
                *error = failWith;
            return false;
        }
        values.insert(application + u'/' + section + u'/' + key, value);
        return true;
    }
    QString readValue(const QString &application, const QString &section,
                      const QString &key) const override
    {
        return values.value(application + u'/' + section + u'/' + key);
    }
};

class FakeEnvironment : public Environment
{
public:
    QHash<QString, QString> variables;
    QString value(const QString &name) const override { return variables.value(name); }
};

// A clipboard of its own, so that tests neither read nor change the desktop's.
class FakeClipboard : public Clipboard
{
public:
    QString held;
    QStringList calls; // "clear" and "setText" in the order they came
    void clear() override
    {
        calls.append(QStringLiteral("clear"));
        held.clear();
    }
    void setText(const QString &text) override
    {
        calls.append(QStringLiteral("setText"));
        held = text;
        notify();
    }
    QString text() const override { return held; }
    void watch(QObject *context, std::function<void()> changed) override
    {
        watchers.append({context, std::move(changed)});
    }
    // Another program puts text on the clipboard.
    void copiedElsewhere(const QString &text)
    {
        held = text;
        notify();
    }
    void notify()
    {
        const auto now = watchers;
        for (const auto &[context, changed] : now) {
            if (context)
                changed();
        }
    }
    QList<std::pair<QPointer<QObject>, std::function<void()>>> watchers;
};

// A registry of scripted keys and values. Every call is recorded in order, as text such as
// "open KEY", "query KEY VALUE" or "close 7", so that tests can see what was read and closed.
class FakeRegistry : public Registry
{
public:
    struct Value
    {
        quint32 type = typeText;
        QByteArray bytes;
    };
    QHash<QByteArray, QHash<QByteArray, Value>> keys; // key name -> value name -> value
    long openFails = 0;                               // when set, every open fails with this code
    long queryFails = 0; // when set, every query of a present value fails with this code
    QStringList calls;

    long openKey(quint32 root, const QByteArray &keyName, quint32, quint32, Key *key) override
    {
        calls.append(QStringLiteral("open %1").arg(QString::fromLatin1(keyName)));
        *key = 0;
        if (openFails)
            return openFails;
        if (root != localMachine || !keys.contains(keyName))
            return fileNotFound;
        m_open.append(keyName);
        *key = Key(m_open.size()) + 6; // handles never start at 0
        return success;
    }
    long queryValue(Key key, const QByteArray &valueName, quint32 *type, char *buffer,
                    quint32 *size) override
    {
        const QByteArray keyName = m_open.value(qsizetype(key) - 7);
        calls.append(QStringLiteral("query %1 %2")
                         .arg(QString::fromLatin1(keyName), QString::fromLatin1(valueName)));
        const auto values = keys.value(keyName);
        if (!values.contains(valueName))
            return fileNotFound;
        if (queryFails)
            return queryFails;
        const Value &value = values.value(valueName);
        *type = value.type;
        const quint32 room = *size;
        *size = quint32(value.bytes.size());
        if (*size > room)
            return moreData;
        std::memcpy(buffer, value.bytes.constData(), *size);
        return success;
    }
    long closeKey(Key key) override
    {
        calls.append(QStringLiteral("close %1").arg(key));
        return success;
    }

private:
    QList<QByteArray> m_open;
};

class FakeExecutableFinder : public ExecutableFinder
{
public:
    QHash<QString, QString> installed; // name -> full path
    QString find(const QString &name) const override { return installed.value(name); }
};

struct FakePlatform
{
    explicit FakePlatform(const QString &programFolder)
        : platform{messages,    input,     dialogs,  launcher,    settings,
                   environment, clipboard, registry, executables, programFolder}
    {
    }
    FakeMessageBoxes messages;
    FakeInputBox input;
    FakeDialogs dialogs;
    FakeLauncher launcher;
    FakeSettings settings;
    FakeEnvironment environment;
    FakeClipboard clipboard;
    FakeRegistry registry;
    FakeExecutableFinder executables;
    Platform platform;
};
