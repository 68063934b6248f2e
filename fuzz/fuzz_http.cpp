// The sandbox's HTTP request handling over arbitrary bytes sent on a real loopback connection:
// the server must answer or close every connection and keep answering well-formed requests.
// Inputs that reach the control endpoints ("/__sandbox/") are skipped: they may switch on faults
// on purpose.
#include <cstdint>
#include <cstdlib>

#include <sys/socket.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QTcpSocket>
#include <QTimer>

#include "sandbox/SandboxServer.h"

namespace {

// Never destroyed: at exit it would go after the application object it needs.
orvane::sandbox::SandboxServer* g_server = nullptr;

// Sends `bytes` and spins the event loop until the server closes the connection. False when it
// neither answers nor closes within the time limit.
bool exchange(const QByteArray& bytes, QByteArray* reply) {
    QTcpSocket socket;
    QEventLoop loop;
    QTimer limit;
    limit.setSingleShot(true);
    QObject::connect(&limit, &QTimer::timeout, &loop, &QEventLoop::quit);
    QObject::connect(&socket, &QTcpSocket::disconnected, &loop, &QEventLoop::quit);
    QObject::connect(&socket, &QTcpSocket::errorOccurred, &loop, &QEventLoop::quit);
    QObject::connect(&socket, &QTcpSocket::connected, &socket, [&] {
        if (bytes.isEmpty()) {
            ::shutdown(int(socket.socketDescriptor()), SHUT_WR);
        }
        socket.write(bytes);
    });
    QObject::connect(&socket, &QTcpSocket::bytesWritten, &socket, [&] {
        if (socket.bytesToWrite() == 0) {
            // The end of what the client sends (an incomplete request ends here); the answer can
            // still be read.
            ::shutdown(int(socket.socketDescriptor()), SHUT_WR);
        }
    });
    QObject::connect(&socket, &QTcpSocket::readyRead, &socket,
                     [&] { reply->append(socket.readAll()); });
    socket.connectToHost(QStringLiteral("127.0.0.1"), g_server->port());
    limit.start(5000);
    loop.exec();
    reply->append(socket.readAll());
    return limit.isActive();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    static QCoreApplication app(*argc, *argv);
    g_server = new orvane::sandbox::SandboxServer();
    if (!g_server->listen()) {
        std::abort();
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    if (bytes.contains("__sandbox") || bytes.contains("%5F%5Fsandbox") ||
        bytes.contains("%5f%5fsandbox")) {
        return 0;
    }
    QByteArray reply;
    if (!exchange(bytes, &reply)) {
        std::abort(); // the connection hung
    }
    g_server->clearRequests();
    static int runs = 0;
    if (++runs % 64 == 0) { // the server still answers a well-formed request
        reply.clear();
        exchange("GET /v1/req?mkey=demo-mkey&mckey=demo-mckey&userid=u HTTP/1.1\r\n"
                 "Host: 127.0.0.1\r\nConnection: close\r\n\r\n",
                 &reply);
        if (!reply.startsWith("HTTP/1.1 200")) {
            std::abort();
        }
    }
    return 0;
}
