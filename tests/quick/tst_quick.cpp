// Runs tst_*.qml with a sandbox on loopback behind the kit: the setup object starts it, installs
// the fakes of what the machine lacks (the consent prompt, a browser that visits the landing
// pages) and is the tests' handle on the server (`sandbox` in QML).

#include <memory>

#include <QAbstractItemModel>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QQmlContext>
#include <QQmlEngine>
#include <QQmlExtensionPlugin>
#include <QtQuickTest>

#include "core/ImageCache.h"
#include "participation/ApiJoin.h"
#include "support/Fakes.h"
#include "support/SandboxFixture.h"

Q_IMPORT_QML_PLUGIN(OrvanePlugin)

using namespace orvane;

class Setup : public QObject {
    Q_OBJECT
    Q_PROPERTY(int visits MEMBER m_visits NOTIFY visitsChanged)

public:
    // A fresh sandbox (fresh data, default reward type), the participation flow reset.
    Q_INVOKABLE void restart() {
        ApiJoin::shared().resetForTesting();
        m_sandbox.reset();
        m_sandbox = std::make_unique<test::SandboxFixture>();
        m_visits = 0;
        if (!m_sandbox->ok())
            qFatal("sandbox: %s", qPrintable(m_sandbox->errorString()));
    }
    Q_INVOKABLE void setRewardType(int type) { m_sandbox->server().setRewardType(type); }
    Q_INVOKABLE void setCompletionDelay(int ms) { m_sandbox->server().setCompletionDelay(ms); }
    Q_INVOKABLE int requests(const QString& path) const {
        return int(m_sandbox->server().requestsTo(path).size());
    }
    // The values of the role named `role` of every row of `model`, top to bottom.
    Q_INVOKABLE QVariantList column(QAbstractItemModel* model, const QByteArray& role) const {
        QVariantList values;
        const int number = model->roleNames().key(role, -1);
        for (int row = 0; row < model->rowCount(); ++row)
            values << model->data(model->index(row, 0), number);
        return values;
    }
    // Where a test may write its pictures; empty when none was asked for.
    Q_INVOKABLE QString snapshotDir() const {
        return qEnvironmentVariable("ORVANE_QUICK_SNAPSHOTS");
    }

public Q_SLOTS:
    void applicationAvailable() {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        ImageCache::defaultCache().clearLocalCache();
        // Made before the application object, so what needs one comes here.
        m_browser = std::make_unique<QNetworkAccessManager>();
        test::FakeConsent::install();
        test::FakeUrlOpener& opener = test::FakeUrlOpener::install();
        opener.onOpen = [this](const QUrl& url) {
            QNetworkReply* reply = m_browser->get(QNetworkRequest(url));
            connect(reply, &QNetworkReply::finished, this, [this, reply] {
                if (reply->error() == QNetworkReply::NoError) {
                    ++m_visits;
                    Q_EMIT visitsChanged();
                }
                reply->deleteLater();
            });
        };
        restart();
    }
    void qmlEngineAvailable(QQmlEngine* engine) {
        engine->addImportPath(QStringLiteral("qrc:/qt/qml"));
        engine->rootContext()->setContextProperty(QStringLiteral("sandbox"), this);
    }
    void cleanupTestCase() {
        ApiJoin::shared().resetForTesting();
        m_sandbox.reset();
        m_browser.reset();
    }

Q_SIGNALS:
    void visitsChanged();

private:
    std::unique_ptr<test::SandboxFixture> m_sandbox;
    std::unique_ptr<QNetworkAccessManager> m_browser;
    int m_visits = 0;
};

QUICK_TEST_MAIN_WITH_SETUP(tst_quick, Setup)

#include "tst_quick.moc"
