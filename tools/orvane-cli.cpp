// orvane-cli: runs one server call of the kit and shows what came back. A host developer's tool to
// check keys and servers: it goes through the kit's own settings, OrvaneSDK, ApiList and
// ApiProvider, prints the raw reply, then the decoded record as one line of JSON (every present
// field with its type and value), or the error. Exit status: 0 success, 1 failure (transport,
// HTTP status, decoding, refusal by the server), 2 wrong usage.

#include <cstdio>
#include <functional>

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QImage>
#include <QJsonDocument>
#include <QTemporaryDir>

#include "core/ApiList.h"
#include "core/Log.h"
#include "core/Records.h"
#include "core/UserDefaults.h"
#include "orvane/Orvane.h"
#include "orvane/OrvaneSDK.h"

using namespace orvane;

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

QMap<QString, Command> commands() {
    QMap<QString, Command> table;
    table.insert("req", {0, false, "req", [](const QStringList&, auto done) {
                             ApiList().getReq(reporting<Req>(done));
                         }});
    table.insert("camp", {0, false, "camp", [](const QStringList&, auto done) {
                              ApiList().getCamp(reporting<Req>(done));
                          }});
    table.insert("agree", {0, false, "agree", [](const QStringList&, auto done) {
                               ApiList().getAgreeContents(reporting<AgreeContents>(done));
                           }});
    table.insert("rewards",
                 {3, false, "rewards TYPE SDATE EDATE", [](const QStringList& a, auto done) {
                      ApiList().getReward(a[0], a[1], a[2], reporting<RewardList>(done));
                  }});
    table.insert("notice", {0, false, "notice", [](const QStringList&, auto done) {
                                ApiList().getHalvekNotice(reporting<HalvekNotice>(done));
                            }});
    table.insert("view", {1, false, "view ID", [](const QStringList& a, auto done) {
                              ApiList().getView(a[0], reporting<HalvekNotice>(done));
                          }});
    table.insert("state", {1, false, "state ID", [](const QStringList& a, auto done) {
                               ApiList().getState(a[0], reporting<State>(done));
                           }});
    table.insert("join", {1, false, "join ID", [](const QStringList& a, auto done) {
                              ApiList().getJoin(a[0], reporting<Join>(done));
                          }});
    table.insert("inst", {1, false, "inst ID", [](const QStringList& a, auto done) {
                              ApiList().getInst(a[0], [done](const ApiResult& result) {
                                  done(reportRawOnly(result));
                              });
                          }});
    table.insert("exec", {1, false, "exec ID", [](const QStringList& a, auto done) {
                              ApiList().getExec(a[0], reporting<State>(done));
                          }});
    table.insert("claim", {2, false, "claim ID KEY", [](const QStringList& a, auto done) {
                               ApiList().getReward(a[0], a[1], reporting<Join>(done));
                           }});
    table.insert("cs",
                 {6, true, "cs NAME EMAIL TEL TYPE CAMPID CONTENT [IMAGE...]",
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
    return table;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("orvane-cli"));

    const QMap<QString, Command> table = commands();
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
    const QCommandLineOption host("host", "Campaign API base (with --partner).", "URL");
    const QCommandLineOption partner("partner", "Partner API base.", "URL");
    const QCommandLineOption notice("notice", "Notice file address.", "URL");
    const QCommandLineOption mkey("mkey", "Host key \"mkey\".", "K");
    const QCommandLineOption mckey("mckey", "Host key \"mckey\".", "K");
    const QCommandLineOption user("user", "The host's user id.", "U");
    const QCommandLineOption age("age", "User age (0: not sent).", "N");
    const QCommandLineOption gender("gender", "User gender: 0, 1 or 2.", "G");
    const QCommandLineOption inspect("inspect", "Inspection mode (\"campinspect\"=\"1\").");
    const QCommandLineOption verbose("verbose", "Write the kit's log (requests and replies).");
    parser.addOptions({host, partner, notice, mkey, mckey, user, age, gender, inspect, verbose});
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
