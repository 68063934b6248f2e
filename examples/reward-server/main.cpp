// orvane-reward-server: an example of a host's own reward server (see RewardServer.h).
//
//   orvane-reward-server --secret SECRET [--port N] [--data DIR] [--window SECONDS]
//                        [--fail-first N]
//
// Prints "listening on http://127.0.0.1:PORT" once it accepts connections. Point the campaign
// server's reward call at http://127.0.0.1:PORT/postback with the same secret, e.g.
// orvane-sandbox --postback-url http://127.0.0.1:PORT/postback --postback-secret SECRET.
#include <cstdio>

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>

#include "RewardServer.h"

namespace {
int fail(const QString& message) {
    std::fprintf(stderr, "orvane-reward-server: %s\n", qPrintable(message));
    return 1;
}
} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("orvane-reward-server"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Example host reward server: verifies signed reward calls and keeps "
                       "balances."));
    parser.addHelpOption();
    const QCommandLineOption secret(QStringLiteral("secret"),
                                    QStringLiteral("The key the reward calls are signed with."),
                                    QStringLiteral("SECRET"));
    const QCommandLineOption port(QStringLiteral("port"), QStringLiteral("Port (0: a free one)."),
                                  QStringLiteral("N"), QStringLiteral("0"));
    const QCommandLineOption data(QStringLiteral("data"),
                                  QStringLiteral("Folder of the ledger (default: temporary)."),
                                  QStringLiteral("DIR"));
    const QCommandLineOption window(
        QStringLiteral("window"),
        QStringLiteral("Seconds a call's time stamp may differ from this clock (default 300)."),
        QStringLiteral("SECONDS"), QStringLiteral("300"));
    const QCommandLineOption failFirst(
        QStringLiteral("fail-first"),
        QStringLiteral("Answer the first N calls 503, to watch the sender retry."),
        QStringLiteral("N"), QStringLiteral("0"));
    parser.addOptions({secret, port, data, window, failFirst});
    parser.process(app);

    rewardserver::RewardServer::Options options;
    options.secret = parser.value(secret).toUtf8();
    if (options.secret.isEmpty()) {
        return fail(QStringLiteral("--secret is required"));
    }
    bool ok = false;
    const uint portNumber = parser.value(port).toUInt(&ok);
    if (!ok || portNumber > 65535) {
        return fail(QStringLiteral("--port needs a number from 0 to 65535"));
    }
    options.windowSeconds = parser.value(window).toLongLong(&ok);
    if (!ok || options.windowSeconds < 0) {
        return fail(QStringLiteral("--window needs a number of seconds"));
    }
    options.failFirst = parser.value(failFirst).toInt(&ok);
    if (!ok || options.failFirst < 0) {
        return fail(QStringLiteral("--fail-first needs a number"));
    }
    QTemporaryDir temporary;
    QString folder = parser.value(data);
    if (folder.isEmpty()) {
        if (!temporary.isValid()) {
            return fail(QStringLiteral("no temporary folder"));
        }
        folder = temporary.path();
    } else if (!QDir().mkpath(folder)) {
        return fail(QStringLiteral("cannot make the folder ") + folder);
    }
    options.databasePath = QDir(folder).filePath(QStringLiteral("ledger.sqlite"));

    rewardserver::RewardServer server(options);
    if (!server.listen(static_cast<quint16>(portNumber))) {
        return fail(server.errorString());
    }
    std::printf("listening on %s\n", qPrintable(server.baseUrl()));
    std::fflush(stdout);
    return app.exec();
}
