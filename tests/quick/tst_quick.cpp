// Runs tst_*.qml with a sandbox on loopback behind the kit: the setup object starts it, installs
// the fakes of what the machine lacks (the consent prompt, a browser that visits the landing
// pages, the image picker) and is the tests' handle on the server (`sandbox` in QML).

#include <atomic>
#include <memory>

#include <QAbstractItemModel>
#include <QDate>
#include <QImage>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QQmlContext>
#include <QQmlEngine>
#include <QQmlExtensionPlugin>
#include <QTest>
#include <QtQuickTest>

#include "core/ApiList.h"
#include "core/Device.h"
#include "core/ImageCache.h"
#include "core/UserDefaults.h"
#include "orvane/PlatformServices.h"
#include "participation/ApiJoin.h"
#include "support/ApiTestUtil.h"
#include "support/Fakes.h"
#include "support/SandboxFixture.h"

Q_IMPORT_QML_PLUGIN(OrvanePlugin)

using namespace orvane;
using namespace Qt::StringLiterals;

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
    // Every request to `path` fails with HTTP `status` until clearFaults().
    Q_INVOKABLE void failWith(const QString& path, int status) {
        m_sandbox->server().setFault(path, sandbox::Fault::status(status));
    }
    Q_INVOKABLE void clearFaults() { m_sandbox->server().clearFaults(); }
    // The value of query item `name` of the latest request to `path`.
    Q_INVOKABLE QString lastQuery(const QString& path, const QString& name) const {
        const QList<sandbox::LoggedRequest> sent = m_sandbox->server().requestsTo(path);
        return sent.isEmpty() ? QString() : sent.last().queryValue(name).value_or(QString());
    }
    // A reward granted `daysAgo` days ago to the sandbox's user.
    Q_INVOKABLE void addReward(qint64 campid, const QString& name, double price, int daysAgo) {
        const QString date = QDate::currentDate().addDays(-daysAgo).toString(u"yyyyMMdd"_s);
        m_sandbox->server().addRewardRecord(
            {sandbox::kDemoMkey, m_sandbox->userId(), campid, name, price, u"P"_s, date, 1, {}});
    }
    // What the image picker answers next: one plain picture per width (each half as high).
    Q_INVOKABLE void pickImages(const QList<int>& widths) {
        m_picker->images.clear();
        for (int width : widths)
            m_picker->images << test::testImage(Qt::darkCyan, width, width / 2);
    }
    // The fields of the latest inquiry the sandbox stored, with "images": the widths of its
    // pictures as decoded.
    Q_INVOKABLE QVariantMap lastInquiry() const {
        const QList<sandbox::Inquiry> inquiries = m_sandbox->server().inquiries();
        QVariantMap fields;
        if (inquiries.isEmpty())
            return fields;
        for (const auto& [name, value] : inquiries.last().fields)
            fields.insert(name, value);
        QVariantList widths;
        for (const sandbox::InquiryImage& image : inquiries.last().images)
            widths << QImage::fromData(image.data).width();
        fields.insert(u"images"_s, widths);
        return fields;
    }
    // Joins campaign `campid` as the sandbox's user, and waits for the reply.
    Q_INVOKABLE void joinCampaign(qint64 campid) {
        auto answered = std::make_shared<std::atomic<bool>>(false);
        ApiList().getJoin(QString::number(campid),
                          [answered](const ApiResult&) { answered->store(true); });
        if (!QTest::qWaitFor([answered] { return answered->load(); }, 5000))
            qWarning("sandbox: no reply to the join of %lld", campid);
    }
    // True: no consent prompt of the host's and no answer remembered, so the kit's own prompt asks.
    // False: the fake prompt again, which allows.
    Q_INVOKABLE void useKitConsent(bool kit) {
        if (!kit) {
            test::FakeConsent::install();
            return;
        }
        PlatformServices::setTrackingConsent(nullptr);
        UserDefaults::standard().remove(kTrackingConsentStatusKey);
    }
    Q_INVOKABLE int inquiryCount() const { return int(m_sandbox->server().inquiries().size()); }
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
        m_picker = &test::FakeImagePicker::install();
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
    test::FakeImagePicker* m_picker = nullptr;
    int m_visits = 0;
};

QUICK_TEST_MAIN_WITH_SETUP(tst_quick, Setup)

#include "tst_quick.moc"
