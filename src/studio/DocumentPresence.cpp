#include "studio/DocumentPresence.h"

#include <QCryptographicHash>

#include <unistd.h>

namespace tarnix {

namespace {

QString socketName(const std::filesystem::path& document)
{
    std::error_code ec;
    std::filesystem::path canonical = std::filesystem::weakly_canonical(document, ec);
    if (ec)
        canonical = std::filesystem::absolute(document, ec);
    const QByteArray digest =
        QCryptographicHash::hash(QByteArray::fromStdString(canonical.string()),
                                 QCryptographicHash::Sha1);
    return QStringLiteral("tarnix-studio-%1-%2")
        .arg(QString::number(::getuid()), QString::fromLatin1(digest.toHex().left(32)));
}

} // namespace

DocumentPresence::DocumentPresence(const std::filesystem::path& document, QObject* parent)
    : QObject(parent)
    , name_(socketName(document))
{
    server_.setSocketOptions(QLocalServer::AbstractNamespaceOption);
    connect(&server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* peer = server_.nextPendingConnection()) {
            peers_.push_back(peer);
            connect(peer, &QLocalSocket::disconnected, this, [this, peer] { dropPeer(peer); });
        }
        emit sharedChanged();
    });
    claim();
}

DocumentPresence::~DocumentPresence()
{
    // The server closes its peers as it goes, after peers_ is gone: their "disconnected" must not
    // reach us then.
    for (QLocalSocket* peer : peers_)
        peer->disconnect(this);
    if (client_)
        client_->disconnect(this);
}

void DocumentPresence::claim()
{
    if (server_.listen(name_))
        return;
    auto* client = new QLocalSocket(this);
    client->setSocketOptions(QLocalSocket::AbstractNamespaceOption);
    client->connectToServer(name_);
    if (!client->waitForConnected(1000)) {
        delete client; // nobody there after all (it just closed): nothing shared
        return;
    }
    client_ = client;
    connect(client, &QLocalSocket::disconnected, this, [this] {
        client_->deleteLater();
        client_ = nullptr;
        claim(); // the first Studio closed: this one may be the first now
        emit sharedChanged();
    });
}

void DocumentPresence::dropPeer(QLocalSocket* peer)
{
    std::erase(peers_, peer);
    peer->deleteLater();
    emit sharedChanged();
}

} // namespace tarnix
