// A host that uses every thread of the kit and quits while work is in flight:
//   orvane-shutdown-probe BASE_URL [--at-once]
// BASE_URL is a sandbox server ("http://127.0.0.1:PORT"). The probe starts list, state and
// participation calls through the transport and image loads through the shared image cache and a
// loader, then quits when the first call answers (or at once with --at-once), leaving the rest in
// flight. It exits 0 unless the process dies on its way out.
#include <QApplication>
#include <QTimer>

#include "core/ApiList.h"
#include "core/ImageCache.h"
#include "core/ImageCacheLoader.h"
#include "orvane/Orvane.h"
#include "orvane/OrvaneSDK.h"
#include "support/TestSupport.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 2)
        return 2;
    const QString base = args.at(1);
    orvane::test::TemporarySettings settings;
    orvane::OrvaneSDK::shared().setHostUrl(base + QStringLiteral("/v1"));
    orvane::OrvaneSDK::shared().setHostPartnerUrl(base + QStringLiteral("/api"));
    orvane::OrvaneSDK::shared().setNoticeUrlOverride(
        base + QStringLiteral("/orvane/sdk/notice_contents.json"));
    orvane::Orvane::shared().initialize(QStringLiteral("demo-mkey"), QStringLiteral("demo-mckey"),
                                        QStringLiteral("probe"));

    const auto quit = [](const orvane::ApiResult&) {
        QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
    };
    // First, so that the calls behind it (one connection pool per host) cannot hold it up.
    orvane::ApiList().getReq(quit);
    orvane::ImageCacheLoader loader;
    for (const int campid : {101, 102, 103, 104, 105, 106}) {
        const QString id = QString::number(campid);
        for (const QString& kind : {QStringLiteral("icon"), QStringLiteral("banner")})
            orvane::ImageCache::defaultCache().loadImage(
                QUrl(base + QStringLiteral("/img/%1/%2.png").arg(id, kind)), QSizeF(64, 64));
        loader.obtainImageWithPath(base + QStringLiteral("/img/%1/detail.png").arg(id), {});
        orvane::ApiList().getState(id, {});
        orvane::ApiList().getInst(id);
    }
    if (args.contains(QStringLiteral("--at-once")))
        QTimer::singleShot(0, &app, &QCoreApplication::quit);
    return app.exec() == 0 ? 0 : 1;
}
