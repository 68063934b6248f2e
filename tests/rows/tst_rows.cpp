// The campaign rows against the sandbox: images and spacing per list type, texts, action states
// from the list data and from the participation flow, reuse, and the detail hand-off.

#include <QSignalSpy>
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
#include "platform/ui/Snapshot.h"
#include "platform/ui/TableView.h"
#include "platform/ui/ViewController.h"
#include "rows/CampTestUtil.h"
#include "screens/offerwall/CampCPSTableViewCell.h"
#include "screens/offerwall/CampCellCommon.h"
#include "screens/offerwall/CampClickProtocol.h"
#include "screens/offerwall/CampTableViewCell.h"
#include "sdk/Localized.h"
#include "sdk/Orvane.h"
#include "sdk/StyledText.h"
#include "support/Fakes.h"
#include "support/SandboxFixture.h"

using namespace orvane;

namespace {

// A list screen in miniature: a table of campaigns with the rows the offerwall uses, and the
// screen's side of CampClickProtocol (it records the rows asked to open).
class ListScreen final : public ViewController,
                         public TableViewDataSource,
                         public CampClickProtocol {
public:
    explicit ListScreen(int listType)
        : m_listType(listType) {
        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        table = new TableView(this);
        table->setDataSource(this);
        layout->addWidget(table);
        resize(390, 844);
    }
    ~ListScreen() override { table->setDataSource(nullptr); }

    int numberOfRows(TableView&) override { return int(camps.size()); }
    TableViewCell* cellForRow(TableView& tableView, int row) override {
        const Camp& camp = camps.at(row);
        if (camp.bm == 4) {
            auto* cell = static_cast<CampCPSTableViewCell*>(
                tableView.dequeueReusableCell(CampCPSTableViewCell::kIdentifier));
            cell->setItem(camp, &tableView, row, m_listType, this);
            return cell;
        }
        auto* cell = static_cast<CampTableViewCell*>(
            tableView.dequeueReusableCell(CampTableViewCell::kIdentifier));
        cell->setItem(camp, &tableView, row, m_listType, this);
        return cell;
    }
    void onClick(int row) override { clicked << row; }

    template <typename Cell>
    Cell* cell(int row) const {
        return qobject_cast<Cell*>(table->cellForRow(row));
    }

    TableView* table;
    QList<Camp> camps;
    QList<int> clicked;

private:
    int m_listType;
};

// Clicks the row's action as a user would: on the pill.
void tapRow(CampTableViewCell* cell) {
    QTest::mouseClick(cell->l_reward_button(), Qt::LeftButton);
}

} // namespace

class RowsTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<test::SandboxFixture> m_sandbox;
    test::FakeUrlOpener* m_opener = nullptr;

    sandbox::SandboxServer& server() { return m_sandbox->server(); }
    Camp camp(qint64 campid) { return test::sandboxCamp(server(), campid); }

    std::unique_ptr<ListScreen> showList(int listType, const QList<Camp>& camps) {
        auto screen = std::make_unique<ListScreen>(listType);
        screen->camps = camps;
        screen->show();
        screen->table->reloadData();
        ApiJoin::shared().setViewController(screen.get());
        return screen;
    }

private Q_SLOTS:
    void initTestCase() {
        setLocalizationLanguage(QStringLiteral("en"));
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        Log::setDisplayLog(true);
        registerCampCells();
        test::FakeConsent::install().status = TrackingConsent::Authorized;
    }

    void init() {
        m_sandbox = std::make_unique<test::SandboxFixture>();
        QVERIFY2(m_sandbox->ok(), qPrintable(m_sandbox->errorString()));
        server().setCompletionDelay(0);
        ApiJoin::shared().resetForTesting();
        m_opener = &test::FakeUrlOpener::install();
    }

    void cleanup() {
        ApiJoin::shared().resetForTesting();
        m_sandbox.reset();
    }

    void imagesAndSpacingPerListType_data() {
        QTest::addColumn<int>("listType");
        QTest::addColumn<bool>("hasNative");
        QTest::addColumn<bool>("nativeShown");
        QTest::addColumn<int>("division");
        QTest::newRow("0 with native") << 0 << true << false << 2;
        QTest::newRow("0 without native") << 0 << false << false << 2;
        QTest::newRow("1 with native") << 1 << true << true << 10;
        QTest::newRow("1 without native") << 1 << false << false << 10;
        QTest::newRow("2 with native") << 2 << true << false << 2;
        QTest::newRow("2 without native") << 2 << false << false << 2;
    }
    void imagesAndSpacingPerListType() {
        QFETCH(int, listType);
        QFETCH(bool, hasNative);
        QFETCH(bool, nativeShown);
        QFETCH(int, division);
        Camp c = camp(101);
        QVERIFY(c.nativeurl && c.iconurl);
        if (!hasNative) {
            c.nativeurl.reset();
        }
        auto screen = showList(listType, {c});
        auto* cell = screen->cell<CampTableViewCell>(0);
        QVERIFY(cell);

        QCOMPARE(cell->iv_native()->isVisible(), nativeShown);
        QCOMPARE(cell->iv_icon()->isVisible(), !nativeShown);
        QCOMPARE(cell->lch_division().constant(), qreal(division));
        if (nativeShown) {
            QTRY_VERIFY(cell->iv_native()->hasImage());
            QCOMPARE(cell->iv_native()->image().size(), QSize(600, 300));
            QCOMPARE(server().requestsTo(QStringLiteral("/img/101/icon.png")).size(), 0);
        } else {
            QCOMPARE(cell->iv_icon()->cornerRadius(), cell->iv_icon()->height() / 5.0);
            QTRY_VERIFY(cell->iv_icon()->hasImage());
            QCOMPARE(cell->iv_icon()->image().size(), QSize(128, 128));
            QCOMPARE(server().requestsTo(QStringLiteral("/img/101/banner.png")).size(), 0);
        }
        QCOMPARE(cell->l_title()->plainText(), c.name.value());
        QCOMPARE(cell->l_reward_button()->text(), c.cta.value());
    }

    // A 600 x 300 picture in a 320-point-wide image view is 160 high, in the row and in the table.
    void nativeHeightFollowsPictureProportions() {
        CampTableViewCell cell;
        cell.resize(320 + 32, 400);
        cell.show();
        Camp c = camp(103);
        cell.setItem(c, nullptr, 0, Orvane::TYPE_LIST_NATIVE, nullptr);
        QTRY_VERIFY(cell.iv_native()->hasImage());
        QCOMPARE(cell.iv_native()->width(), 320);
        QCOMPARE(cell.lch_iv_native().constant(), 160.0);
        QCOMPARE(cell.iv_native()->heightForWidth(320), 160);

        // A square picture makes the table measure the row again.
        auto screen = showList(Orvane::TYPE_LIST_NATIVE, {c});
        auto* row = screen->cell<CampTableViewCell>(0);
        QTRY_VERIFY(row->iv_native()->hasImage());
        const int wide = screen->table->rectForRow(0).height();
        QVERIFY(wide > row->iv_native()->width() / 2);
        c.nativeurl = c.iconurl; // 128 x 128
        screen->camps = {c};
        screen->table->reloadData();
        row = screen->cell<CampTableViewCell>(0);
        QTRY_COMPARE(row->iv_native()->image().size(), QSize(128, 128));
        QTRY_COMPARE(screen->table->rectForRow(0).height(),
                     wide + row->iv_native()->width() - row->iv_native()->width() / 2);
    }

    void rewardTextAndDescription() {
        Camp c = camp(102);
        c.rewardprice = 1500;
        c.pricemark = QStringLiteral("P");
        QCOMPARE(campRewardText(c), QStringLiteral("1,500 P"));
        c.rewardprice = 1234567.5;
        QCOMPARE(campRewardText(c), QStringLiteral("1,234,567.5 P"));
        c.pricemark = QString();
        QCOMPARE(campRewardText(c), QStringLiteral("1,234,567.5"));

        c.rewardprice = 1500;
        c.pricemark = QStringLiteral("P");
        c.rewarddesc = QStringLiteral("Install and open <b>Pocket Ledger</b>.");
        auto screen = showList(2, {c});
        auto* cell = screen->cell<CampTableViewCell>(0);
        QCOMPARE(cell->l_content()->textFormat(), Qt::RichText);
        const QString html = cell->l_content()->text();
        QVERIFY2(html.contains(QStringLiteral("#8c8c8c")), qPrintable(html));
        QVERIFY2(html.contains(Orvane::shared().orvaneColorPrimary().name()), qPrintable(html));
        QTextDocument doc;
        doc.setHtml(html);
        QCOMPARE(doc.toPlainText(), QStringLiteral("Install and open Pocket Ledger. 1,500 P"));

        // HTML the converter refuses (too long) still shows its words, without the tags.
        c.rewarddesc = QStringLiteral("<b>Huge</b> ") + QString(kMaxHtmlLength, u'x');
        screen->camps = {c};
        screen->table->reloadData();
        doc.setHtml(screen->cell<CampTableViewCell>(0)->l_content()->text());
        QVERIFY(doc.toPlainText().startsWith(QStringLiteral("Huge xxx")));
        QVERIFY(doc.toPlainText().endsWith(QStringLiteral(" 1,500 P")));
    }

    void placeholderIconWithoutUsableAddress_data() {
        QTest::addColumn<std::optional<QString>>("iconurl");
        QTest::newRow("absent") << std::optional<QString>();
        QTest::newRow("not an address") << std::optional<QString>(QStringLiteral("ht tp://x y"));
        QTest::newRow("relative") << std::optional<QString>(QStringLiteral("/img/102/icon.png"));
        QTest::newRow("other scheme")
            << std::optional<QString>(QStringLiteral("file:///etc/passwd"));
    }
    void placeholderIconWithoutUsableAddress() {
        QFETCH(std::optional<QString>, iconurl);
        Camp standard = camp(102);
        Camp cps = camp(402);
        standard.iconurl = iconurl;
        cps.iconurl = iconurl;
        auto screen = showList(2, {standard, cps});
        auto* row = screen->cell<CampTableViewCell>(0);
        auto* cpsRow = screen->cell<CampCPSTableViewCell>(1);
        QVERIFY(row && cpsRow);
        for (const auto& [icon, name] :
             {std::pair(row->iv_icon(), standard.name), std::pair(cpsRow->iv_icon(), cps.name)}) {
            QVERIFY(icon->isVisible());
            QVERIFY(!icon->hasImage());
            QCOMPARE(icon->placeholder(), campPlaceholderIcon(name));
        }
        QTest::qWait(100);
        QVERIFY(!row->iv_icon()->hasImage());
        QCOMPARE(server().requests().size(), 0);
        // The placeholder is a light square with the campaign's initial, not a blank image.
        QVERIFY(!isUniformImage(campPlaceholderIcon(standard.name)));
        QVERIFY(campPlaceholderIcon(QStringLiteral("Pocket")) !=
                campPlaceholderIcon(QStringLiteral("Starfall")));
    }

    // Join -> participation check (listener and list) -> accumulate (listener) -> reward claim
    // with the campaign's id and the key the poll delivered; convflag 1 wins over the list.
    void standardRowFollowsTheParticipationFlow() {
        const Camp app = camp(102); // app campaign without a detail page
        auto screen = showList(2, {app});
        auto* cell = screen->cell<CampTableViewCell>(0);
        QCOMPARE(cell->action(), CampTableViewCell::Action::join);

        tapRow(cell);
        QTRY_COMPARE(cell->action(), CampTableViewCell::Action::participationCheck);
        QCOMPARE(cell->l_reward_button()->text(),
                 localized(QStringLiteral("ov_participation_check")));
        QCOMPARE(test::queryValues(server(), QStringLiteral("/v1/join"), QStringLiteral("campid")),
                 QStringList{QStringLiteral("102")});
        QCOMPARE(m_opener->opened.size(), 1);
        QVERIFY(ApiJoin::shared().getPartiConfirmList().contains(102));
        QCOMPARE(ApiJoin::shared().joinProtocol(), static_cast<JoinProtocol*>(cell));

        // From the list data: a fresh row reads partiConfirmList; convflag 1 means accumulate.
        CampTableViewCell fresh;
        fresh.setItem(app, nullptr, 0, 2, nullptr);
        QCOMPARE(fresh.action(), CampTableViewCell::Action::participationCheck);
        Camp converted = app;
        converted.convflag = 1;
        fresh.setItem(converted, nullptr, 0, 2, nullptr);
        QCOMPARE(fresh.action(), CampTableViewCell::Action::accumulate);
        QCOMPARE(fresh.l_reward_button()->text(), localized(QStringLiteral("ov_accumulate")));

        tapRow(cell);
        QTRY_VERIFY(AlertController::visibleAlert());
        QVERIFY(
            AlertController::visibleAlert()->tapAction(localized(QStringLiteral("ov_confirm"))));
        QTRY_COMPARE(m_opener->opened.size(), 2);
        QCOMPARE(m_opener->opened.last(), QUrl(app.package.value()));
        QTRY_COMPARE_WITH_TIMEOUT(cell->action(), CampTableViewCell::Action::accumulate, 10000);
        const QString key = cell->orvkey().value_or(QString());
        QVERIFY(!key.isEmpty());

        tapRow(cell);
        QTRY_COMPARE(server().requestsTo(QStringLiteral("/v1/reward")).size(), 1);
        QCOMPARE(
            test::queryValues(server(), QStringLiteral("/v1/reward"), QStringLiteral("campid")),
            QStringList{QStringLiteral("102")});
        QCOMPARE(
            test::queryValues(server(), QStringLiteral("/v1/reward"), QStringLiteral("orvkey")),
            QStringList{key});
        QTRY_VERIFY(!server().rewardHistory(m_sandbox->userId()).isEmpty());
    }

    // A row given to another campaign while a join, an image or a key of the first is on its way
    // shows and acts on the second campaign only.
    void reusedRowForgetsItsPreviousCampaign() {
        const Camp first = camp(102);
        Camp second = camp(104); // a landing campaign
        second.iconurl.reset();
        server().setFault(QStringLiteral("/v1/join"), sandbox::Fault::delay(300).times(1));
        server().setFault(QStringLiteral("/img/102/icon.png"), sandbox::Fault::delay(300));

        auto screen = showList(2, {first});
        auto* cell = screen->cell<CampTableViewCell>(0);
        tapRow(cell);
        QTRY_COMPARE(server().requestsTo(QStringLiteral("/v1/join")).size(), 1);
        cell->setItem(second, screen->table, 0, 2, screen.get());

        // The first campaign's join succeeds for the row object, which now shows the second.
        QTRY_VERIFY(ApiJoin::shared().getPartiConfirmList().contains(102));
        QTest::qWait(400); // the first icon's late answer
        QCOMPARE(cell->action(), CampTableViewCell::Action::join);
        QCOMPARE(cell->l_reward_button()->text(), second.cta.value());
        QCOMPARE(cell->l_title()->plainText(), second.name.value());
        QVERIFY(!cell->iv_icon()->hasImage());
        QCOMPARE(cell->iv_icon()->placeholder(), campPlaceholderIcon(second.name));
        cell->onAccumulationPossible(102, QStringLiteral("key-of-102"));
        QCOMPARE(cell->action(), CampTableViewCell::Action::join);

        tapRow(cell);
        QTRY_COMPARE(
            test::queryValues(server(), QStringLiteral("/v1/join"), QStringLiteral("campid")),
            (QStringList{QStringLiteral("102"), QStringLiteral("104")}));

        // A key received for one campaign is never sent for the next one; a row in the accumulate
        // state without any key refreshes the list instead.
        cell->setItem(first, screen->table, 0, 2, screen.get());
        cell->onAccumulationPossible(102, QStringLiteral("key-of-102"));
        QCOMPARE(cell->orvkey().value_or(QString()), QStringLiteral("key-of-102"));
        Camp convertedWithoutKey = camp(108);
        QCOMPARE(convertedWithoutKey.convflag.value_or(0), qint64(1));
        convertedWithoutKey.orvkey.reset();
        cell->setItem(convertedWithoutKey, screen->table, 0, 2, screen.get());
        QCOMPARE(cell->action(), CampTableViewCell::Action::accumulate);
        QVERIFY(!cell->orvkey());
        int refreshes = 0;
        QObject observer;
        NotificationCenter::defaultCenter().addObserver(kActionListChange, &observer,
                                                        [&refreshes] { ++refreshes; });
        test::LogCapture log;
        tapRow(cell);
        QCOMPARE(refreshes, 1);
        QVERIFY(log.contains(QStringLiteral("no reward key for campaign")));
        QTest::qWait(100);
        QCOMPARE(server().requestsTo(QStringLiteral("/v1/reward")).size(), 0);
    }

    // detailpage 1 asks the screen to open the detail, for both row kinds; nothing is joined.
    void detailPageOpensThroughTheScreen() {
        auto screen = showList(2, {camp(101), camp(401)});
        tapRow(screen->cell<CampTableViewCell>(0));
        QTest::mouseClick(screen->cell<CampCPSTableViewCell>(1), Qt::LeftButton);
        QTest::mouseClick(screen->cell<CampCPSTableViewCell>(1)->b_reward_button(), Qt::LeftButton);
        QCOMPARE(screen->clicked, (QList<int>{0, 1, 1}));
        QTest::qWait(100);
        QCOMPARE(server().requestsTo(QStringLiteral("/v1/join")).size(), 0);

        // Without a screen the tap does nothing but log.
        CampTableViewCell orphan;
        orphan.setItem(camp(101), nullptr, 3, 2, nullptr);
        test::LogCapture log;
        orphan.clickJoin();
        QVERIFY(log.contains(QStringLiteral("no screen to open the detail")));
    }

    void cpsRowShowsPriceAndJoinsWithoutListener() {
        const Camp order = camp(402);
        QCOMPARE(order.cpsdcprice.value_or(0), qint64(9900));
        auto screen = showList(2, {order});
        auto* cell = screen->cell<CampCPSTableViewCell>(0);
        QVERIFY(cell);
        QCOMPARE(cell->l_content()->plainText(),
                 QStringLiteral("9,900") + localized(QStringLiteral("ov_won")));
        QCOMPARE(cell->b_reward_button()->title(), campRewardText(order));
        QCOMPARE(cell->iv_icon()->cornerRadius(), cell->iv_icon()->height() / 5.0);
        QTRY_VERIFY(cell->iv_icon()->hasImage());

        QTest::mouseClick(cell->b_reward_button(), Qt::LeftButton);
        QTRY_COMPARE(
            test::queryValues(server(), QStringLiteral("/v1/join"), QStringLiteral("campid")),
            QStringList{QStringLiteral("402")});
        QTRY_VERIFY(ApiJoin::shared().getPartiConfirmList().contains(402));
        QVERIFY(!ApiJoin::shared().joinProtocol());
    }

    // PNGs of the rows in each list type and of a CPS row, in ORVANE_SCREENSHOT_DIR or the test's
    // folder under "screenshots".
    void screenshots() {
        QString dir = qEnvironmentVariable("ORVANE_SCREENSHOT_DIR");
        if (dir.isEmpty()) {
            dir = QCoreApplication::applicationDirPath() + QStringLiteral("/screenshots");
        }
        Camp noIcon = camp(105);
        noIcon.iconurl.reset();
        const QList<Camp> camps{camp(101), camp(102), noIcon, camp(108), camp(401), camp(403)};
        ApiJoin::shared().resetForTesting();
        for (const int listType : {0, 1, 2}) {
            auto screen = showList(listType, camps);
            screen->resize(390, 760);
            QTest::qWait(50);
            for (int row : screen->table->visibleRows()) {
                if (auto* cell = screen->cell<CampTableViewCell>(row)) {
                    ImageView* image =
                        cell->iv_native()->isVisible() ? cell->iv_native() : cell->iv_icon();
                    if (row != 2) {
                        QTRY_VERIFY(image->hasImage());
                    }
                }
            }
            QTest::qWait(50);
            const QString path = dir + QStringLiteral("/rows-listtype-%1.png").arg(listType);
            QVERIFY(grabToPng(screen.get(), path));
            QVERIFY(!isUniformImage(QImage(path)));
        }
    }
};

QTEST_MAIN(RowsTest)
#include "tst_rows.moc"
