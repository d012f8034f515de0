// SPDX-License-Identifier: GPL-3.0-or-later
#include "singleinstance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <unistd.h>

namespace {
const QByteArray request = "raise\n";
const QByteArray reply = "ok\n";
// A running sbx answers at once; these only bound a start that meets a hung one.
constexpr int connectMs = 1000;
constexpr int replyMs = 2000;
} // namespace

SingleInstance::SingleInstance(const QString &folder, QObject *parent)
    : QObject(parent), m_name(serverName(folder))
{
}

QString SingleInstance::serverName(const QString &folder)
{
    const QByteArray hash =
        QCryptographicHash::hash(QDir::cleanPath(folder).toUtf8(), QCryptographicHash::Sha256)
            .toHex()
            .left(16);
    return QStringLiteral("vantrel-stash-%1-%2").arg(::getuid()).arg(QString::fromLatin1(hash));
}

bool SingleInstance::handOver() const
{
    QLocalSocket socket;
    socket.connectToServer(m_name);
    if (!socket.waitForConnected(connectMs))
        return false;
    socket.write(request);
    socket.waitForBytesWritten(replyMs);
    // Connected is enough to know one runs; the reply tells that it came forward.
    socket.waitForReadyRead(replyMs);
    socket.disconnectFromServer();
    return true;
}

SingleInstance::Start SingleInstance::start(QString *error)
{
    if (handOver())
        return Start::HandedOver;
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::answer);
    if (m_server->listen(m_name))
        return Start::Serving;
    if (m_server->serverError() == QAbstractSocket::AddressInUseError) {
        // Either an sbx started at the same moment, or one that crashed left its socket
        // behind, where nobody answers.
        if (handOver())
            return Start::HandedOver;
        QLocalServer::removeServer(m_name);
        if (m_server->listen(m_name))
            return Start::Serving;
    }
    if (error)
        *error = m_server->errorString();
    return Start::Alone;
}

void SingleInstance::answer()
{
    while (QLocalSocket *socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (!socket->canReadLine())
                return;
            if (socket->readLine() == request) {
                socket->write(reply);
                emit activationRequested();
            }
            socket->disconnectFromServer();
        });
    }
}
