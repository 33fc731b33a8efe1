#include "core/shell/ToggleChannel.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>
#include <unistd.h>

namespace ToggleChannel {
namespace {

const QByteArray requestLine = QByteArrayLiteral("toggle\n");
constexpr int answerMs = 2000;

} // namespace

QString socketPath(const QString& supportFolder)
{
    QString folder = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        folder = QDir::tempPath();
    const QByteArray key = QDir::cleanPath(QDir(supportFolder).absolutePath()).toUtf8();
    const QString digest =
        QString::fromLatin1(QCryptographicHash::hash(key, QCryptographicHash::Sha256).toHex().left(16));
    return QDir(folder).filePath(QStringLiteral("panedeck-%1-%2.socket").arg(::getuid()).arg(digest));
}

bool request(const QString& supportFolder)
{
    QLocalSocket socket;
    socket.connectToServer(socketPath(supportFolder));
    if (!socket.waitForConnected(answerMs))
        return false;
    socket.write(requestLine);
    if (!socket.waitForBytesWritten(answerMs))
        return false;
    // The copy answers once it has acted.
    return socket.waitForReadyRead(answerMs) && socket.readAll() == QByteArrayLiteral("ok\n");
}

Listener::Listener(const QString& supportFolder, std::function<void()> toggle)
    : m_server(std::make_unique<QLocalServer>()), m_toggle(std::move(toggle))
{
    const QString path = socketPath(supportFolder);
    // Only the single running copy gets here: a socket file left by one that crashed goes.
    QLocalServer::removeServer(path);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server->listen(path))
        return;
    QObject::connect(m_server.get(), &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = m_server->nextPendingConnection()) {
            QObject::connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            QObject::connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
                // One short line; anything longer or different is not a request.
                if (socket->bytesAvailable() < requestLine.size())
                    return;
                const QByteArray line = socket->read(requestLine.size());
                if (line == requestLine) {
                    m_toggle();
                    socket->write(QByteArrayLiteral("ok\n"));
                    socket->flush();
                }
                socket->disconnectFromServer();
            });
        }
    });
}

Listener::~Listener() = default;

bool Listener::isListening() const
{
    return m_server->isListening();
}

} // namespace ToggleChannel
