// orvane-sandbox --port N [--data DIR] [--catalogue FILE] [--keys FILE]
//                [--completion-delay MS] [--reward-type 1|2]
//                [--postback-url URL --postback-secret SECRET [--postback-delays MS,MS,...]]
// Prints "listening on http://127.0.0.1:PORT" once it accepts connections.
#include <cstdio>

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QRegularExpression>
#include <QUrl>

#include "sandbox/SandboxServer.h"

namespace {
// A keys file holds one "MKEY MCKEY" pair per line; blank lines and '#' comments are skipped.
bool readKeys(const QString& path, QList<QPair<QString, QString>>& keys, QString* error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        *error = QStringLiteral("cannot read %1: %2").arg(path, file.errorString());
        return false;
    }
    int lineNumber = 0;
    while (!file.atEnd()) {
        ++lineNumber;
        const QString line = QString::fromUtf8(file.readLine()).section(QLatin1Char('#'), 0, 0);
        const QStringList words =
            line.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
        if (words.isEmpty()) {
            continue;
        }
        if (words.size() != 2) {
            *error = QStringLiteral("%1:%2: expected \"MKEY MCKEY\"").arg(path).arg(lineNumber);
            return false;
        }
        keys.append({words[0], words[1]});
    }
    return true;
}

int fail(const QString& message) {
    std::fprintf(stderr, "orvane-sandbox: %s\n", qPrintable(message));
    return 1;
}
} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("orvane-sandbox"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Local campaign, partner and notice server for the Orvane Offerwall kit."));
    parser.addHelpOption();
    const QCommandLineOption port(QStringLiteral("port"), QStringLiteral("Port (0: a free one)."),
                                  QStringLiteral("N"), QStringLiteral("0"));
    const QCommandLineOption data(
        QStringLiteral("data"), QStringLiteral("Folder of the SQLite state (default: temporary)."),
        QStringLiteral("DIR"));
    const QCommandLineOption catalogue(QStringLiteral("catalogue"),
                                       QStringLiteral("JSON campaign catalogue to serve."),
                                       QStringLiteral("FILE"));
    const QCommandLineOption keys(QStringLiteral("keys"),
                                  QStringLiteral("File of extra \"MKEY MCKEY\" lines."),
                                  QStringLiteral("FILE"));
    const QCommandLineOption delay(QStringLiteral("completion-delay"),
                                   QStringLiteral("Milliseconds from landing visit or install "
                                                  "report to completion (default 1000)."),
                                   QStringLiteral("MS"), QStringLiteral("1000"));
    const QCommandLineOption rewardType(QStringLiteral("reward-type"),
                                        QStringLiteral("List reward type: 1 the user collects, 2 "
                                                       "the server credits (default 1)."),
                                        QStringLiteral("N"), QStringLiteral("1"));
    const QCommandLineOption postbackUrl(
        QStringLiteral("postback-url"),
        QStringLiteral("The host server's address for a signed call per granted reward."),
        QStringLiteral("URL"));
    const QCommandLineOption postbackSecret(QStringLiteral("postback-secret"),
                                            QStringLiteral("The key of the calls' signatures."),
                                            QStringLiteral("SECRET"));
    const QCommandLineOption postbackDelays(
        QStringLiteral("postback-delays"),
        QStringLiteral("Milliseconds before each retry of a failed call, comma-separated "
                       "(default 500,2000,10000,60000,300000,1800000,7200000)."),
        QStringLiteral("MS,..."));
    parser.addOptions({port, data, catalogue, keys, delay, rewardType, postbackUrl, postbackSecret,
                       postbackDelays});
    parser.process(app);

    bool ok = false;
    const uint portNumber = parser.value(port).toUInt(&ok);
    if (!ok || portNumber > 65535) {
        return fail(QStringLiteral("--port needs a number from 0 to 65535"));
    }
    orvane::sandbox::Options options;
    options.dataDir = parser.value(data);
    options.cataloguePath = parser.value(catalogue);
    options.completionDelayMs = parser.value(delay).toInt(&ok);
    if (!ok || options.completionDelayMs < 0) {
        return fail(QStringLiteral("--completion-delay needs a number of milliseconds"));
    }
    options.rewardType = parser.value(rewardType).toInt(&ok);
    if (!ok || (options.rewardType != 1 && options.rewardType != 2)) {
        return fail(QStringLiteral("--reward-type must be 1 or 2"));
    }
    options.postbackUrl = parser.value(postbackUrl);
    options.postbackSecret = parser.value(postbackSecret);
    if (!options.postbackUrl.isEmpty()) {
        const QUrl url(options.postbackUrl, QUrl::StrictMode);
        if (!url.isValid() || url.host().isEmpty() ||
            !url.scheme().startsWith(QLatin1String("http"))) {
            return fail(QStringLiteral("--postback-url needs an http(s) address"));
        }
        if (options.postbackSecret.isEmpty()) {
            return fail(QStringLiteral("--postback-url needs --postback-secret"));
        }
    }
    if (parser.isSet(postbackDelays)) {
        options.postbackDelaysMs.clear();
        for (const QString& item : parser.value(postbackDelays).split(QLatin1Char(','))) {
            const int ms = item.trimmed().toInt(&ok);
            if (!ok || ms < 0) {
                return fail(QStringLiteral("--postback-delays needs milliseconds, e.g. 500,2000"));
            }
            options.postbackDelaysMs.append(ms);
        }
    }
    QString error;
    if (parser.isSet(keys) && !readKeys(parser.value(keys), options.extraKeys, &error)) {
        return fail(error);
    }

    orvane::sandbox::SandboxServer server(options);
    if (!server.listen(static_cast<quint16>(portNumber))) {
        return fail(server.errorString());
    }
    std::printf("listening on %s\n", qPrintable(server.baseUrl()));
    std::fflush(stdout);
    return app.exec();
}
