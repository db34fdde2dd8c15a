#pragma once

// A tiny HTTP server on 127.0.0.1 for tests, on a thread of its own so that
// code which downloads on the test's thread can be answered.

#include <QHash>
#include <QHostAddress>
#include <QMutex>
#include <QSemaphore>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>

namespace runpad::testing {

class LocalHttpServer : public QThread {
public:
    struct Reply {
        int status = 200;
        QByteArray body;
        bool stall = false;         // accept the request and never answer
        qint64 declaredLength = -1; // a Content-Length other than the body's
    };

    LocalHttpServer() {
        start();
        ready_.acquire();
    }
    ~LocalHttpServer() override {
        quit();
        wait();
    }

    quint16 port() const { return port_; }
    QString host() const { return QStringLiteral("127.0.0.1:%1").arg(port_); }

    // path: without the query, such as "/NAS_file_Share/Runpad/index.json".
    void setReply(const QByteArray& path, const Reply& reply) {
        QMutexLocker lock(&mutex_);
        replies_.insert(path, reply);
    }
    // Every request answered with this reply, whatever its path.
    void setDefaultReply(const Reply& reply) {
        QMutexLocker lock(&mutex_);
        defaultReply_ = reply;
    }
    QList<QByteArray> requests() const {
        QMutexLocker lock(&mutex_);
        return requests_;
    }

    // A port on which nothing listens: connections are refused.
    static quint16 closedPort() {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost, 0);
        const quint16 port = probe.serverPort();
        probe.close();
        return port;
    }

protected:
    void run() override {
        QTcpServer server;
        server.listen(QHostAddress::LocalHost, 0);
        port_ = server.serverPort();
        QObject::connect(&server, &QTcpServer::newConnection, &server, [this, &server] {
            while (QTcpSocket* socket = server.nextPendingConnection())
                serve(socket);
        });
        ready_.release();
        exec();
    }

private:
    void serve(QTcpSocket* socket) {
        auto buffer = std::make_shared<QByteArray>();
        QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket, buffer] {
            buffer->append(socket->readAll());
            if (!buffer->contains("\r\n\r\n"))
                return;
            const QByteArray target = buffer->split(' ').value(1);
            const QByteArray path = target.split('?').value(0);
            Reply reply;
            {
                QMutexLocker lock(&mutex_);
                requests_.append(target);
                reply = replies_.value(path, defaultReply_);
            }
            if (reply.stall)
                return;
            const qint64 length =
                reply.declaredLength >= 0 ? reply.declaredLength : reply.body.size();
            socket->write("HTTP/1.1 " + QByteArray::number(reply.status) +
                          " Status\r\nContent-Length: " + QByteArray::number(length) +
                          "\r\nConnection: close\r\n\r\n" + reply.body);
            socket->disconnectFromHost();
        });
    }

    QSemaphore ready_;
    quint16 port_ = 0;
    mutable QMutex mutex_;
    QHash<QByteArray, Reply> replies_;
    Reply defaultReply_{404, "missing"};
    QList<QByteArray> requests_;
};

} // namespace runpad::testing
