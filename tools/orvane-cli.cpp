// orvane-cli: runs one server call of the kit and shows what came back. A host developer's tool to
// check keys and servers: it goes through the kit's own settings, OrvaneSDK, ApiList and
// ApiProvider, prints the raw reply, then the decoded record as one line of JSON (every present
// field with its type and value), or the error. `image URL` loads one picture through the kit's
// image cache instead (in a fresh cache folder, so it is always downloaded) and prints its size
// and format, or why it stays blank. Exit status: 0 success, 1 failure (transport, HTTP status,
// decoding, refusal by the server, an image too large, not an image or of a refused scheme),
// 2 wrong usage.

#include <cstdio>
#include <functional>

#include <QBuffer>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QJsonDocument>
#include <QTemporaryDir>

#include "core/ApiList.h"
#include "core/ImageCache.h"
#include "core/Log.h"
#include "core/Records.h"
#include "core/UserDefaults.h"
#include "orvane/Orvane.h"
#include "orvane/OrvaneSDK.h"

using namespace orvane;
using namespace Qt::StringLiterals;

namespace {

constexpr int kFailure = 1;
constexpr int kUsage = 2;

void printLine(FILE* stream, const QString& text) {
    std::fputs(text.toUtf8().constData(), stream);
    std::fputc('\n', stream);
    std::fflush(stream);
}

// Prints the reply and its decoded record; returns the exit status.
template <WireRecord R>
int report(const ApiResult& result) {
    if (!result.ok()) {
        printLine(stderr, QStringLiteral("error: ") + result.error().description());
        return kFailure;
    }
    printLine(stdout, QString::fromUtf8(result.body()));
    const Decoded<R> decoded = decode<R>(result.body());
    if (!decoded.ok()) {
        printLine(stderr, QStringLiteral("decoding failed: ") + decoded.error());
        return kFailure;
    }
    const QJsonObject typed = toTypedJson(decoded.value());
    printLine(stdout, QString::fromUtf8(QJsonDocument(typed).toJson(QJsonDocument::Compact)));
    const QJsonValue status = typed.value(QStringLiteral("result"))[QStringLiteral("value")];
    if (!status.isUndefined() && status.toInteger() != 200) {
        printLine(stderr,
                  QStringLiteral("refused by the server: result %1").arg(status.toInteger()));
        return kFailure;
    }
    return 0;
}

int reportRawOnly(const ApiResult& result) {
    if (!result.ok()) {
        printLine(stderr, QStringLiteral("error: ") + result.error().description());
        return kFailure;
    }
    printLine(stdout, QString::fromUtf8(result.body()));
    return 0;
}

// Prints what the cache answered for `url`: the picture's size, the format and length of the
// bytes as served; with `outPath`, also writes those bytes there. Returns the exit status.
int reportImage(const QUrl& url, const QImage& image, const QString& outPath) {
    QFile cached(ImageCache::filePath(ImageCache::key(url)));
    QByteArray bytes;
    if (cached.open(QIODevice::ReadOnly)) {
        bytes = cached.readAll();
    } else { // the cache kept it in memory only: written as PNG
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "PNG");
    }
    QBuffer source(&bytes);
    const QByteArray format = QImageReader(&source).format();
    printLine(stdout, QStringLiteral("%1x%2 %3, %4 bytes")
                          .arg(image.width())
                          .arg(image.height())
                          .arg(QString::fromLatin1(format), QString::number(bytes.size())));
    if (outPath.isEmpty()) {
        return 0;
    }
    QFile out(outPath);
    if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size()) {
        printLine(stderr, QStringLiteral("cannot write %1: %2").arg(outPath, out.errorString()));
        return kFailure;
    }
    return 0;
}

struct Command {
    int arguments; // exact count, or the minimum when `variadic`
    bool variadic;
    QString usage;
    // Starts the call; the completion receives the exit status.
    std::function<void(const QStringList& args, std::function<void(int)> done)> run;
};

template <WireRecord R>
ApiCompletion reporting(std::function<void(int)> done) {
    return [done = std::move(done)](const ApiResult& result) { done(report<R>(result)); };
}

// `imageOut` is read when the image command runs (the value of --out).
QMap<QString, Command> commands(const QString* imageOut) {
    QMap<QString, Command> table;
    table.insert(u"req"_s, {0, false, u"req"_s, [](const QStringList&, auto done) {
                                ApiList().getReq(reporting<Req>(done));
                            }});
    table.insert(u"camp"_s, {0, false, u"camp"_s, [](const QStringList&, auto done) {
                                 ApiList().getCamp(reporting<Req>(done));
                             }});
    table.insert(u"agree"_s, {0, false, u"agree"_s, [](const QStringList&, auto done) {
                                  ApiList().getAgreeContents(reporting<AgreeContents>(done));
                              }});
    table.insert(u"rewards"_s,
                 {3, false, u"rewards TYPE SDATE EDATE"_s, [](const QStringList& a, auto done) {
                      ApiList().getReward(a[0], a[1], a[2], reporting<RewardList>(done));
                  }});
    table.insert(u"notice"_s, {0, false, u"notice"_s, [](const QStringList&, auto done) {
                                   ApiList().getHalvekNotice(reporting<HalvekNotice>(done));
                               }});
    table.insert(u"view"_s, {1, false, u"view ID"_s, [](const QStringList& a, auto done) {
                                 ApiList().getView(a[0], reporting<HalvekNotice>(done));
                             }});
    table.insert(u"state"_s, {1, false, u"state ID"_s, [](const QStringList& a, auto done) {
                                  ApiList().getState(a[0], reporting<State>(done));
                              }});
    table.insert(u"join"_s, {1, false, u"join ID"_s, [](const QStringList& a, auto done) {
                                 ApiList().getJoin(a[0], reporting<Join>(done));
                             }});
    table.insert(u"inst"_s, {1, false, u"inst ID"_s, [](const QStringList& a, auto done) {
                                 ApiList().getInst(a[0], [done](const ApiResult& result) {
                                     done(reportRawOnly(result));
                                 });
                             }});
    table.insert(u"exec"_s, {1, false, u"exec ID"_s, [](const QStringList& a, auto done) {
                                 ApiList().getExec(a[0], reporting<State>(done));
                             }});
    table.insert(u"claim"_s, {2, false, u"claim ID KEY"_s, [](const QStringList& a, auto done) {
                                  ApiList().getReward(a[0], a[1], reporting<Join>(done));
                              }});
    table.insert(u"cs"_s,
                 {6, true, u"cs NAME EMAIL TEL TYPE CAMPID CONTENT [IMAGE...]"_s,
                  [](const QStringList& a, auto done) {
                      bool numeric = false;
                      const qint64 campid = a[4].toLongLong(&numeric);
                      if (!numeric) {
                          printLine(stderr, QStringLiteral("CAMPID must be an integer: ") + a[4]);
                          done(kUsage);
                          return;
                      }
                      QList<QImage> images;
                      for (const QString& path : a.mid(6)) {
                          const QImage image(path);
                          if (image.isNull()) {
                              printLine(stderr, QStringLiteral("cannot read the image ") + path);
                              done(kUsage);
                              return;
                          }
                          images << image;
                      }
                      ApiList().postCS(a[0], a[1], a[2], a[3], campid, a[5], images,
                                       reporting<ResultData>(done));
                  }});
    table.insert(
        u"image"_s,
        {1, false, u"image URL [--out FILE]"_s, [imageOut](const QStringList& a, auto done) {
             const QUrl url(a[0], QUrl::StrictMode);
             ImageCache::defaultCache().loadImage(
                 url, std::nullopt,
                 [url, done, out = *imageOut](const QString&, const QImage& image) {
                     done(reportImage(url, image, out));
                 },
                 [done](const QString&, const QString& reason) {
                     printLine(stderr, QStringLiteral("error: ") + reason);
                     done(kFailure);
                 });
         }});
    return table;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("orvane-cli"));

    QString imageOut;
    const QMap<QString, Command> table = commands(&imageOut);
    QStringList calls;
    for (const Command& command : table) {
        calls << QStringLiteral("  ") + command.usage;
    }

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Runs one call of the Orvane offerwall kit and prints the raw reply, then "
                       "the decoded record as one line of JSON.\n\nCALL is one of:\n") +
        calls.join(QLatin1Char('\n')));
    parser.addHelpOption();
    const QCommandLineOption host(u"host"_s, u"Campaign API base (with --partner)."_s, u"URL"_s);
    const QCommandLineOption partner(u"partner"_s, u"Partner API base."_s, u"URL"_s);
    const QCommandLineOption notice(u"notice"_s, u"Notice file address."_s, u"URL"_s);
    const QCommandLineOption mkey(u"mkey"_s, u"Host key \"mkey\"."_s, u"K"_s);
    const QCommandLineOption mckey(u"mckey"_s, u"Host key \"mckey\"."_s, u"K"_s);
    const QCommandLineOption user(u"user"_s, u"The host's user id."_s, u"U"_s);
    const QCommandLineOption age(u"age"_s, u"User age (0: not sent)."_s, u"N"_s);
    const QCommandLineOption gender(u"gender"_s, u"User gender: 0, 1 or 2."_s, u"G"_s);
    const QCommandLineOption inspect(u"inspect"_s, u"Inspection mode (\"campinspect\"=\"1\")."_s);
    const QCommandLineOption verbose(u"verbose"_s,
                                     u"Write the kit's log (requests and replies)."_s);
    const QCommandLineOption out(u"out"_s, u"image: write the image's bytes to FILE."_s, u"FILE"_s);
    parser.addOptions(
        {host, partner, notice, mkey, mckey, user, age, gender, inspect, verbose, out});
    parser.addPositionalArgument(QStringLiteral("CALL"), QStringLiteral("The call to run."));
    parser.addPositionalArgument(QStringLiteral("ARGS"), QStringLiteral("Its arguments."),
                                 QStringLiteral("[ARGS...]"));
    parser.process(app);

    const QStringList positional = parser.positionalArguments();
    const QString name = positional.value(0);
    const auto command = table.constFind(name);
    if (command == table.cend()) {
        printLine(stderr, name.isEmpty() ? QStringLiteral("missing CALL")
                                         : QStringLiteral("unknown CALL: ") + name);
        printLine(stderr, parser.helpText());
        return kUsage;
    }
    const QStringList args = positional.mid(1);
    if (args.size() < command->arguments ||
        (!command->variadic && args.size() > command->arguments)) {
        printLine(stderr, QStringLiteral("usage: orvane-cli [OPTIONS] ") + command->usage);
        return kUsage;
    }

    // A private settings store, so the tool never touches a host application's settings.
    QTemporaryDir store;
    if (!store.isValid()) {
        printLine(stderr, QStringLiteral("cannot create a temporary settings folder"));
        return kFailure;
    }
    UserDefaults::useStoreFile(store.filePath(QStringLiteral("settings.ini")));
    // And a private image cache, so `image` downloads what the server serves now.
    qputenv("XDG_CACHE_HOME", QFile::encodeName(store.filePath(QStringLiteral("cache"))));
    imageOut = parser.value(out);

    Orvane& orvane = Orvane::shared();
    orvane.setDebugEnabled(parser.isSet(verbose));
    if (parser.isSet(mkey) || parser.isSet(mckey) || parser.isSet(user)) {
        if (!parser.isSet(mkey) || !parser.isSet(mckey) || !parser.isSet(user)) {
            printLine(stderr, QStringLiteral("--mkey, --mckey and --user go together"));
            return kUsage;
        }
        orvane.initialize(parser.value(mkey), parser.value(mckey), parser.value(user));
    }
    if (parser.isSet(age)) {
        bool numeric = false;
        const int value = parser.value(age).toInt(&numeric);
        if (!numeric) {
            printLine(stderr, QStringLiteral("--age takes an integer"));
            return kUsage;
        }
        orvane.setAge(value);
    }
    if (parser.isSet(gender)) {
        orvane.setGender(parser.value(gender));
    }
    OrvaneSDK& sdk = OrvaneSDK::shared();
    if (parser.isSet(host)) {
        sdk.setHostUrl(parser.value(host));
    }
    if (parser.isSet(partner)) {
        sdk.setHostPartnerUrl(parser.value(partner));
    }
    if (parser.isSet(notice)) {
        sdk.setNoticeUrlOverride(parser.value(notice));
    }
    sdk.setIsInspect(parser.isSet(inspect));

    int status = kFailure;
    // The completion runs on the transport thread; the exit happens on the main thread.
    command->run(args, [&app, &status](int code) {
        QMetaObject::invokeMethod(
            &app,
            [&status, code] {
                status = code;
                QCoreApplication::exit(code);
            },
            Qt::QueuedConnection);
    });
    app.exec();
    UserDefaults::useStoreFile(QString());
    return status;
}
