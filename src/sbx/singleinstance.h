// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QString>

class QLocalServer;

// One sbx for each user and slot folder: a start finds the running one through a local
// socket named after both, asks it to come forward and ends; otherwise it serves that name.
class SingleInstance : public QObject
{
    Q_OBJECT

public:
    explicit SingleInstance(const QString &folder, QObject *parent = nullptr);

    static QString serverName(const QString &folder);

    enum class Start {
        Serving,    // this is the one sbx for the folder; later starts come here
        HandedOver, // another sbx runs for the folder and was asked to come forward
        Alone,      // the name cannot be served (why is in error); this one runs anyway
    };
    Start start(QString *error);

signals:
    void activationRequested();

private:
    bool handOver() const;
    void answer();

    QString m_name;
    QLocalServer *m_server = nullptr;
};
