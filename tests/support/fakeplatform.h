#pragma once

#include "platform/clipboard.h"
#include "platform/dialogs.h"
#include "platform/environment.h"
#include "platform/inputbox.h"
#include "platform/messageboxes.h"
#include "platform/platform.h"
#include "platform/programlauncher.h"
#include "platform/settingsstore.h"

#include <QHash>
#include <QList>
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
        QString title;
    };
    QList<Shown> shown;
    QQueue<Answer> answers; // for Yes/No questions; No when empty

    Answer show(const QString &text, Icon icon, Buttons buttons, const QString &title) override
    {
        shown.append({text, icon, buttons, title});
        if (buttons == Buttons::Ok)
            return Answer::Ok;
        return answers.isEmpty() ? Answer::No : answers.dequeue();
    }
    QString lastText() const { return shown.isEmpty() ? QString() : shown.last().text; }
};

class FakeInputBox : public InputBox
{
public:
    QQueue<QString> answers; // empty text (cancel) when none is left
    QStringList prompts;
    QString ask(const QString &prompt, const QString &, const QString &) override
    {
        prompts.append(prompt);
        return answers.isEmpty() ? QString() : answers.dequeue();
    }
};

class FakeDialogs : public Dialogs
{
public:
    QQueue<std::optional<QString>> saveAnswers;
    std::optional<QColor> colorAnswer;
    bool printerAnswer = false;
    int saveAsked = 0;
    std::optional<QString> saveFileName() override
    {
        ++saveAsked;
        return saveAnswers.isEmpty() ? std::nullopt : saveAnswers.dequeue();
    }
    std::optional<QColor> chooseColor(const QColor &) override { return colorAnswer; }
    bool choosePrinter(QPrinter &) override { return printerAnswer; }
};

class FakeLauncher : public ProgramLauncher
{
public:
    struct Started
    {
        QString program;
        QStringList arguments;
    };
    QList<Started> started;
    bool succeed = true;
    bool start(const QString &program, const QStringList &arguments, QString *error) override
    {
        started.append({program, arguments});
        if (!succeed && error)
            *error = QStringLiteral("Cannot start %1").arg(program);
        return succeed;
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
    }
    QString text() const override { return held; }
};

struct FakePlatform
{
    explicit FakePlatform(const QString &programFolder)
        : platform{messages, input,       dialogs,   launcher,
                   settings, environment, clipboard, programFolder}
    {
    }
    FakeMessageBoxes messages;
    FakeInputBox input;
    FakeDialogs dialogs;
    FakeLauncher launcher;
    FakeSettings settings;
    FakeEnvironment environment;
    FakeClipboard clipboard;
    Platform platform;
};
