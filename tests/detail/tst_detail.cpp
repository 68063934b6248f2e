// The campaign detail page against the sandbox: reached from a row through the segue, its picture,
// texts and notice, the view report, the button's way from loading to the reward claim, and its
// closing on "action_detail_finish".

#include <QScrollBar>
#include <QTest>
#include <QTextDocument>
#include <QVBoxLayout>

#include "participation/ApiJoin.h"
#include "platform/Log.h"
#include "platform/NotificationCenter.h"
#include "platform/ui/AlertController.h"
#include "platform/ui/Button.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/Snapshot.h"
#include "platform/ui/Storyboard.h"
#include "platform/ui/TableView.h"
#include "platform/ui/Views.h"
#include "rows/CampTestUtil.h"
#include "screens/detail/DetailViewController.h"
#include "screens/offerwall/CampCellCommon.h"
#include "screens/offerwall/CampClickProtocol.h"
#include "screens/offerwall/CampTableViewCell.h"
#include "sdk/Localized.h"
#include "sdk/Orvane.h"
#include "support/Fakes.h"
#include "support/SandboxFixture.h"

using namespace orvane;

namespace {

// The list screen's side: rows of campaigns; a row's click opens the detail by the segue.
class ListScreen final : public ViewController,
                         public TableViewDataSource,
                         public CampClickProtocol {
public:
    ListScreen() {
        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        table = new TableView(this);
        table->setDataSource(this);
        layout->addWidget(table);
    }
    ~ListScreen() override { table->setDataSource(nullptr); }

    int numberOfRows(TableView&) override { return int(camps.size()); }
    TableViewCell* cellForRow(TableView& tableView, int row) override {
        auto* cell = static_cast<CampTableViewCell*>(
            tableView.dequeueReusableCell(CampTableViewCell::kIdentifier));
        cell->setItem(camps.at(row), &tableView, row, 2, this);
        return cell;
    }
    void onClick(int row) override {
        performSegue(DetailViewController::kSceneIdentifier, QVariant(row));
    }
    void prepare(StoryboardSegue& segue, const QVariant& sender) override {
        if (auto* detail = qobject_cast<DetailViewController*>(segue.destination)) {
            detail->setCamp(camps.at(sender.toInt()));
        }
    }

    TableView* table;
    QList<Camp> camps;
};

QString plain(const QString& html) {
    QTextDocument doc;
    doc.setHtml(html);
    return doc.toPlainText();
}

} // namespace

class DetailTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<test::SandboxFixture> m_sandbox;
    std::unique_ptr<NavigationController> m_nav;
    ListScreen* m_list = nullptr;
    test::FakeUrlOpener* m_opener = nullptr;

    sandbox::SandboxServer& server() { return m_sandbox->server(); }
    Camp camp(qint64 campid) { return test::sandboxCamp(server(), campid); }

    // Shows the list with `camp` and opens its detail with a tap on the row.
    DetailViewController* openDetail(const Camp& camp, int width = 390) {
        m_list->camps = {camp};
        m_nav->resize(width, 844);
        m_nav->show();
        m_list->table->reloadData();
        auto* cell = qobject_cast<CampTableViewCell*>(m_list->table->cellForRow(0));
        if (!cell) {
            return nullptr;
        }
        QTest::mouseClick(cell->l_reward_button(), Qt::LeftButton);
        return qobject_cast<DetailViewController*>(m_nav->topViewController());
    }

private Q_SLOTS:
    void initTestCase() {
        setLocalizationLanguage(QStringLiteral("en"));
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        Log::setDisplayLog(true);
        registerCampCells();
        DetailViewController::registerScene();
        test::FakeConsent::install().status = TrackingConsent::Authorized;
    }

    void init() {
        m_sandbox = std::make_unique<test::SandboxFixture>();
        QVERIFY2(m_sandbox->ok(), qPrintable(m_sandbox->errorString()));
        server().setCompletionDelay(0);
        ApiJoin::shared().resetForTesting();
        m_opener = &test::FakeUrlOpener::install();
        m_list = new ListScreen;
        m_nav = std::make_unique<NavigationController>(m_list);
    }

    void cleanup() {
        m_nav.reset();
        ApiJoin::shared().resetForTesting();
        m_sandbox.reset();
    }

    void rowTapOpensTheDetailThroughTheSegue() {
        const Camp c = camp(101);
        DetailViewController* detail = openDetail(c);
        QVERIFY(detail);
        QCOMPARE(m_nav->viewControllers().size(), 2);
        QCOMPARE(detail->camp(), std::optional<Camp>(c));
        QCOMPARE(m_list->navigationItem().backButtonTitle(), c.name.value());
        QCOMPARE(ApiJoin::shared().viewController(), static_cast<ViewController*>(detail));
        QCOMPARE(detail->l_title()->plainText(), c.name.value());
        QCOMPARE(detail->b_reward()->title(), c.cta.value());
        QCOMPARE(server().requestsTo(QStringLiteral("/v1/join")).size(), 0);

        // Reward content: grey description, then the amount in the accent colour, bold 14.
        const QString html = detail->l_content()->text();
        QVERIFY(html.contains(QStringLiteral("#8c8c8c")));
        QVERIFY(html.contains(Orvane::shared().orvaneColorPrimary().name()));
        QVERIFY2(plain(html).endsWith(QStringLiteral(" 1,200 P")), qPrintable(plain(html)));
        QVERIFY(plain(detail->l_how_participate()->text()).contains(QStringLiteral("Install")));

        // The notice text comes from the notice file.
        QTRY_VERIFY(!detail->l_join_desc()->text().isEmpty());
        QCOMPARE(server().requestsTo(QStringLiteral("/orvane/sdk/notice_contents.json")).size(), 1);
        QTRY_COMPARE(detail->buttonState(), DetailViewController::ButtonState::join);
        QCOMPARE(test::queryValues(server(), QStringLiteral("/v1/view"), QStringLiteral("campid")),
                 QStringList{QStringLiteral("101")});
    }

    void pictureOrIcon_data() {
        QTest::addColumn<bool>("viewurl");
        QTest::addColumn<bool>("nativeurl");
        QTest::addColumn<bool>("iconurl");
        QTest::addColumn<QString>("loaded");
        QTest::newRow("view and native") << true << true << true << "detail";
        QTest::newRow("native only") << false << true << true << "banner";
        QTest::newRow("icon only") << false << false << true << "icon";
        QTest::newRow("nothing") << false << false << false << "";
    }
    void pictureOrIcon() {
        QFETCH(bool, viewurl);
        QFETCH(bool, nativeurl);
        QFETCH(bool, iconurl);
        QFETCH(QString, loaded);
        Camp c = camp(101);
        if (!viewurl)
            c.viewurl.reset();
        if (!nativeurl)
            c.nativeurl = QStringLiteral("not an address");
        if (!iconurl)
            c.iconurl.reset();
        DetailViewController* detail = openDetail(c);
        QVERIFY(detail);
        const bool picture = viewurl || nativeurl;
        QCOMPARE(detail->iv_native()->isVisible(), picture);
        QCOMPARE(detail->iv_icon()->isVisible(), !picture);
        ImageView* shown =
            picture ? static_cast<ImageView*>(detail->iv_native()) : detail->iv_icon();
        if (!loaded.isEmpty()) {
            QTRY_VERIFY(shown->hasImage());
            const QString path = QStringLiteral("/img/101/%1.png").arg(loaded);
            QCOMPARE(server().requestsTo(path).size(), 1);
        } else {
            QCOMPARE(detail->iv_icon()->placeholder(), campPlaceholderIcon(c.name));
        }
        QTest::qWait(50);
        for (const QString& kind : {QStringLiteral("detail"), QStringLiteral("banner")}) {
            if (kind != loaded) {
                QCOMPARE(server().requestsTo(QStringLiteral("/img/101/%1.png").arg(kind)).size(),
                         0);
            }
        }
        if (loaded.isEmpty()) {
            QCOMPARE(server().requestsTo(QStringLiteral("/img/101/icon.png")).size(), 0);
        }
    }

    void pictureHeightFollowsItsProportions() {
        Camp c = camp(103);
        c.viewurl.reset(); // the 600 x 300 banner
        DetailViewController* detail = openDetail(c, 320);
        QVERIFY(detail);
        QTRY_VERIFY(detail->iv_native()->hasImage());
        QCOMPARE(detail->iv_native()->width(), 320);
        QCOMPARE(detail->lch_iv_native_detail().constant(), 160.0);
        QTRY_COMPARE(detail->iv_native()->height(), 160);
    }

    // loading -> join -> participation check -> accumulate, ending in a claim for this campaign
    // with the key of the state reply.
    void buttonCarriesTheCampaignToItsReward() {
        server().setFault(QStringLiteral("/v1/view"), sandbox::Fault::delay(400));
        const Camp c = camp(101);
        DetailViewController* detail = openDetail(c);
        QVERIFY(detail);
        QCOMPARE(detail->buttonState(), DetailViewController::ButtonState::loading);
        QTest::mouseClick(detail->b_reward(), Qt::LeftButton);
        QTRY_COMPARE(detail->buttonState(), DetailViewController::ButtonState::join);
        QCOMPARE(server().requestsTo(QStringLiteral("/v1/join")).size(), 0);

        int listChanges = 0;
        QObject observer;
        NotificationCenter::defaultCenter().addObserver(kActionListChange, &observer,
                                                        [&listChanges] { ++listChanges; });
        QTest::mouseClick(detail->b_reward(), Qt::LeftButton);
        QTRY_COMPARE(detail->buttonState(), DetailViewController::ButtonState::participationCheck);
        QCOMPARE(detail->b_reward()->title(), localized(QStringLiteral("ov_participation_check")));
        QCOMPARE(listChanges, 1);
        QCOMPARE(m_opener->opened.size(), 1); // the landing page

        QTest::mouseClick(detail->b_reward(), Qt::LeftButton);
        QTRY_VERIFY(AlertController::visibleAlert());
        QVERIFY(
            AlertController::visibleAlert()->tapAction(localized(QStringLiteral("ov_confirm"))));
        QTRY_COMPARE_WITH_TIMEOUT(detail->buttonState(),
                                  DetailViewController::ButtonState::accumulate, 10000);
        QCOMPARE(detail->b_reward()->title(), localized(QStringLiteral("ov_accumulate")));
        const QList<sandbox::LoggedRequest> states =
            server().requestsTo(QStringLiteral("/v1/state"));
        QVERIFY(!states.isEmpty());
        const QString key = detail->orvkey().value_or(QString());
        QVERIFY(!key.isEmpty());

        QTest::mouseClick(detail->b_reward(), Qt::LeftButton);
        QTRY_COMPARE(server().requestsTo(QStringLiteral("/v1/reward")).size(), 1);
        QCOMPARE(
            test::queryValues(server(), QStringLiteral("/v1/reward"), QStringLiteral("campid")),
            QStringList{QStringLiteral("101")});
        QCOMPARE(
            test::queryValues(server(), QStringLiteral("/v1/reward"), QStringLiteral("orvkey")),
            QStringList{key});
        QTRY_COMPARE(server().rewardHistory(m_sandbox->userId()).size(), 1);
    }

    void viewReportRefusalStillArmsJoin_data() {
        QTest::addColumn<qint64>("convflag");
        QTest::addColumn<bool>("armed");
        QTest::newRow("convflag 0") << qint64(0) << true;
        QTest::newRow("convflag 1") << qint64(1) << false;
    }
    void viewReportRefusalStillArmsJoin() {
        QFETCH(qint64, convflag);
        QFETCH(bool, armed);
        server().setFault(QStringLiteral("/v1/view"), sandbox::Fault::resultCode(500));
        test::LogCapture log;
        Camp c = camp(101);
        c.convflag = convflag;
        // Opened directly: a row of a converted campaign offers accumulate, not the detail.
        m_nav->resize(390, 844);
        m_nav->show();
        auto* detail = new DetailViewController;
        detail->setCamp(c);
        m_nav->pushViewController(detail, false);
        QTRY_VERIFY(
            log.contains(QStringLiteral("DetailViewController apiView Error : Optional(500)")));
        QTest::qWait(50);
        QCOMPARE(detail->buttonState(), armed ? DetailViewController::ButtonState::join
                                              : DetailViewController::ButtonState::loading);
        QCOMPARE(detail->b_reward()->title(), c.cta.value());
        QTest::mouseClick(detail->b_reward(), Qt::LeftButton);
        QTRY_COMPARE(server().requestsTo(QStringLiteral("/v1/join")).size(), armed ? 1 : 0);
    }

    void noticeRefusalIsLogged() {
        server().setFault(QStringLiteral("/orvane/sdk/notice_contents.json"),
                          sandbox::Fault::resultCode(503));
        test::LogCapture log;
        DetailViewController* detail = openDetail(camp(103));
        QVERIFY(detail);
        QTRY_VERIFY(log.contains(
            QStringLiteral("DetailViewController apiHalvekNotice Error : Optional(503)")));
        QVERIFY(detail->l_join_desc()->text().isEmpty());
    }

    void detailFinishPopsToTheRoot() {
        DetailViewController* detail = openDetail(camp(101));
        QVERIFY(detail);
        auto* above = new ViewController;
        m_nav->pushViewController(above, false);
        QCOMPARE(m_nav->viewControllers().size(), 3);
        NotificationCenter::defaultCenter().post(kActionDetailFinish);
        QTRY_COMPARE(m_nav->viewControllers().size(), 1);
        QCOMPARE(m_nav->topViewController(), static_cast<ViewController*>(m_list));
    }

    void screenshot() {
        QString dir = qEnvironmentVariable("ORVANE_SCREENSHOT_DIR");
        if (dir.isEmpty()) {
            dir = QCoreApplication::applicationDirPath() + QStringLiteral("/screenshots");
        }
        DetailViewController* detail = openDetail(camp(103));
        QVERIFY(detail);
        QTRY_VERIFY(detail->iv_native()->hasImage());
        QTRY_VERIFY(!detail->l_join_desc()->text().isEmpty());
        QTRY_COMPARE(detail->buttonState(), DetailViewController::ButtonState::join);
        QTest::qWait(50);
        const QString path = dir + QStringLiteral("/detail.png");
        QVERIFY(grabToPng(m_nav.get(), path));
        QVERIFY(!isUniformImage(QImage(path)));
        // The end of the page: instructions and notice above the pinned button.
        auto* scroll = detail->findChild<ScrollView*>();
        QVERIFY(scroll);
        scroll->verticalScrollBar()->setValue(scroll->verticalScrollBar()->maximum());
        QTest::qWait(50);
        QVERIFY(grabToPng(m_nav.get(), dir + QStringLiteral("/detail-end.png")));
    }
};

QTEST_MAIN(DetailTest)
#include "tst_detail.moc"
