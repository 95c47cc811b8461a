#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUrl>

#include <map>

// A tiny HTTP server on 127.0.0.1 for tests of network clients: every request, whatever its
// path, gets the one configured answer (or none at all). Runs on the test's event loop.

namespace tarnix::test {

class LoopbackHttpServer {
public:
    struct Answer {
        int status = 200;
        QByteArray contentType = "application/json";
        QByteArray body;
        bool declareLength = true; // else the body ends when the connection closes
        bool never = false;        // accept the connection and stay silent
    };

    LoopbackHttpServer()
    {
        server_.listen(QHostAddress::LocalHost);
        QObject::connect(&server_, &QTcpServer::newConnection, &server_, [this] {
            while (QTcpSocket* socket = server_.nextPendingConnection()) {
                socket->setParent(&server_);
                QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket] { onRequest(socket); });
            }
        });
    }

    void setAnswer(Answer answer) { answer_ = std::move(answer); }
    QUrl url(const QString& path = QStringLiteral("/version.json")) const
    {
        return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(server_.serverPort()).arg(path));
    }
    int requestCount() const { return requests_; }
    const QByteArray& lastRequest() const { return lastRequest_; }

private:
    void onRequest(QTcpSocket* socket)
    {
        QByteArray& pending = buffers_[socket];
        pending += socket->readAll();
        if (!pending.contains("\r\n\r\n"))
            return;
        ++requests_;
        lastRequest_ = pending;
        if (answer_.never)
            return;
        QByteArray head = "HTTP/1.1 " + QByteArray::number(answer_.status) + " Answer\r\nContent-Type: " +
                          answer_.contentType + "\r\nConnection: close\r\n";
        if (answer_.declareLength)
            head += "Content-Length: " + QByteArray::number(answer_.body.size()) + "\r\n";
        socket->write(head + "\r\n" + answer_.body);
        socket->disconnectFromHost();
    }

    QTcpServer server_;
    Answer answer_;
    int requests_ = 0;
    QByteArray lastRequest_;
    std::map<QTcpSocket*, QByteArray> buffers_;
};

} // namespace tarnix::test
