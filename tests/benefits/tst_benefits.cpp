// The benefits history against orvane-sandbox: the request each choice sends (kind code, period
// arithmetic, date patterns), the reply cases and the rows.

#include <QtTest>

#include "core/Localized.h"
#include "screens/benefits/BenefitsViewController.h"
#include "screens/benefits/RewardTableViewCell.h"
#include "support/GuiTest.h"
#include "ui/AlertController.h"
#include "ui/Button.h"
#include "ui/Label.h"
#include "ui/NavigationController.h"

using namespace orvane;
using namespace Qt::StringLiterals;
using test::text;

namespace {

const QString kRewardPath = u"/api/cs/user_reward_list"_s;

sandbox::RewardRecord record(qint64 campid, const QString& name, double price, const QString& date,
                             int bm = 1) {
    return {sandbox::kDemoMkey, u"user-1"_s, campid, name, price, u"P"_s, date, bm, QString()};
}

// The benefits screen in a shown navigation stack, with a clock the test moves.
struct Screen {
    explicit Screen(const QDateTime& start)
        : now(start)
        , benefits(new BenefitsViewController([this] { return now; }))
        , nav(benefits) {
        nav.show();
        QVERIFY(QTest::qWaitForWindowExposed(&nav));
    }

    // Picks `choice` in the sheet opened by a real click on `selector`; returns the sheet's checked
    // title before the choice.
    QString choose(Button* selector, const QString& choice) {
        QTest::mouseClick(selector, Qt::LeftButton);
        AlertController* sheet = AlertController::visibleAlert();
        if (!sheet || !sheet->actionButton(choice))
            return u"<no sheet or action>"_s;
        QString checked;
        for (const AlertAction& action : sheet->actions())
            checked += action.isChecked() ? action.title() : QString();
        QTest::mouseClick(sheet->actionButton(choice), Qt::LeftButton);
        return checked;
    }

    QDateTime now;
    BenefitsViewController* benefits;
    NavigationController nav;
};

} // namespace

class TstBenefits : public test::GuiTest {
    Q_OBJECT
private Q_SLOTS:
    void firstRequestIsAllKindsOfTheLastWeek() {
        server().addRewardRecord(record(11, u"Puzzle Quest"_s, 1200000, u"20230301"_s));
        server().addRewardRecord(record(12, u"Old one"_s, 10, u"20230101"_s));

        Screen screen(QDateTime(QDate(2023, 3, 5), QTime(12, 0)));
        BenefitsViewController* b = screen.benefits;
        QCOMPARE(b->b_benefits_kind->title(), text("ov_breakdown_all"));
        QCOMPARE(b->b_period->title(), text("ov_recently_week1"));
        QCOMPARE(b->l_term->plainText(), text("ov_term") + u" : 2023-02-26 ~ 2023-03-05"_s);
        QCOMPARE(request(1), u"20230226-20230305"_s); // kind "0" (all) is sent as no filter

        QTRY_COMPARE(b->reward().size(), 1);
        auto* cell = qobject_cast<RewardTableViewCell*>(b->tv_reward->cellForRow(0));
        QVERIFY(cell);
        QCOMPARE(QStringList({cell->l_name->plainText(), cell->l_date->plainText(),
                              cell->l_reward_price->plainText()}),
                 QStringList({u"Puzzle Quest"_s, u"2023-03-01"_s, u"1,200,000 P"_s}));
        // Bold, 14 and the accent colour, on the whole amount.
        QVERIFY(cell->l_reward_price->text().contains(u"font-weight:700"_s));
        QVERIFY(cell->l_reward_price->text().contains(u"#ff5c5a"_s));

        // Past midnight the period's start stays where it was, its end moves on.
        screen.now = QDateTime(QDate(2023, 3, 6), QTime(0, 1));
        screen.choose(b->b_period, text("ov_recently_week1"));
        QCOMPARE(request(2), u"20230226-20230306"_s);
    }
    void kindAndThreeMonthsWithClampedDay() {
        server().addRewardRecord(record(21, u"Shop A"_s, 1500, u"20230301"_s, 4));
        server().addRewardRecord(record(22, u"Game B"_s, 700, u"20230302"_s, 1));

        Screen screen(QDateTime(QDate(2023, 5, 31), QTime(9, 30)));
        BenefitsViewController* b = screen.benefits;
        QTRY_COMPARE(requests(kRewardPath), 1);

        // The sheet ticks the current choice; the new one becomes the title and is requested.
        QCOMPARE(screen.choose(b->b_period, text("ov_recently_month3")), text("ov_recently_week1"));
        QCOMPARE(b->b_period->title(), text("ov_recently_month3"));
        QCOMPARE(request(2), u"20230228-20230531"_s); // 31 Feb clamped
        QCOMPARE(b->l_term->plainText(), text("ov_term") + u" : 2023-02-28 ~ 2023-05-31"_s);
        QTRY_COMPARE(b->reward().size(), 2);

        QCOMPARE(screen.choose(b->b_benefits_kind, text("ov_purchase_benefits")),
                 text("ov_breakdown_all"));
        QCOMPARE(request(3), u"20230228-20230531 kind 2"_s);
        QTRY_COMPARE(b->reward().size(), 1);
        QCOMPARE(b->reward().first().name, std::optional<QString>(u"Shop A"_s));

        // Choosing the current entry again asks again; the sheet ticks it.
        QCOMPARE(screen.choose(b->b_benefits_kind, text("ov_purchase_benefits")),
                 text("ov_purchase_benefits"));
        QTRY_COMPARE(requests(kRewardPath), 4);

        // One month before the 31st of May is the 30th of April.
        QCOMPARE(screen.choose(b->b_period, text("ov_recently_month1")),
                 text("ov_recently_month3"));
        QCOMPARE(request(5), u"20230430-20230531 kind 2"_s);
    }
    // Failed, empty, refused, good and undecodable replies, one after the other; then an older
    // reply that arrives after a newer one.
    void replyCases() {
        server().setFault(kRewardPath, sandbox::Fault::status(500).times(1));
        log().clear();
        Screen screen(QDateTime(QDate(2023, 3, 5), QTime(12, 0)));
        BenefitsViewController* b = screen.benefits;
        // The table or, without rows to show, the label in its place.
        const auto showsTable = [b](bool table) {
            return QTest::qWaitFor([&] {
                return b->tv_reward->isVisible() == table &&
                       b->l_no_receive_benefits->isVisible() != table;
            });
        };
        QVERIFY(showsTable(false));
        QCOMPARE(b->l_no_receive_benefits->plainText(), text("ov_no_receive_benefits"));
        screen.choose(b->b_period, text("ov_recently_week1"));
        QVERIFY(showsTable(true));
        QCOMPARE(b->tv_reward->numberOfRows(), 0);

        server().addRewardRecord(record(31, u"Recent"_s, 5, u"20230304"_s));
        server().addRewardRecord(record(32, u"Two months ago"_s, 5, u"20230110"_s));
        server().setFault(kRewardPath, sandbox::Fault::resultCode(500));
        screen.choose(b->b_period, text("ov_recently_month1"));
        QVERIFY(showsTable(false));
        QVERIFY(log().contains(u"OrvaneViewController getReq Error : Optional(500)"_s));

        // A good reply brings the table back; an undecodable one keeps its rows.
        server().clearFaults();
        screen.choose(b->b_period, text("ov_recently_week1"));
        QTRY_COMPARE(b->reward().size(), 1);
        QVERIFY(showsTable(true));
        log().clear();
        server().setFault(kRewardPath, sandbox::Fault::withBody(sandbox::Fault::Body::Malformed));
        screen.choose(b->b_period, text("ov_recently_month1"));
        QTRY_COMPARE(requests(kRewardPath), 5);
        QTRY_VERIFY(log().contains(u"ERROR"_s));
        QCOMPARE(b->reward().size(), 1);
        QVERIFY(showsTable(true));

        // The three-month reply is held back; the week chosen after it answers first.
        QVERIFY(settled());
        const int sent = requests(kRewardPath);
        server().setFault(kRewardPath, sandbox::Fault::delay(400).times(1));
        screen.choose(b->b_period, text("ov_recently_month3"));
        screen.choose(b->b_period, text("ov_recently_week1"));
        QTRY_COMPARE(requests(kRewardPath), sent + 2);
        QTRY_VERIFY(
            log().contains(u"BenefitsViewController drops the reply of an outdated request"_s));
        QCOMPARE(b->reward().size(), 1);
        QCOMPARE(b->reward().first().name, std::optional<QString>(u"Recent"_s));
        QCOMPARE(b->b_period->title(), text("ov_recently_week1"));
    }

    void rowsShowWhatTheyCan() {
        TableView table;
        RewardTableViewCell cell;
        RewardItem full{1, u"Full"_s, 1500.125, u"P"_s, u"20240229"_s, 1};
        cell.setItem(full, table, 0);
        QCOMPARE(cell.l_date->plainText(), u"2024-02-29"_s);
        QCOMPARE(cell.l_reward_price->plainText(), u"1,500.125 P"_s);

        RewardItem broken{2, std::nullopt, std::nullopt, u"P"_s, u"2024-13"_s, 1};
        cell.setItem(broken, table, 0);
        QCOMPARE(cell.l_name->plainText(), QString());
        QCOMPARE(cell.l_date->plainText(), u"2024-13"_s);
        QCOMPARE(cell.l_reward_price->plainText(), u"P"_s);

        RewardItem bare{3, u"Bare"_s, 300, std::nullopt, std::nullopt, 1};
        cell.setItem(bare, table, 0);
        QCOMPARE(cell.l_date->plainText(), QString());
        QCOMPARE(cell.l_reward_price->plainText(), u"300"_s);
    }

private:
    // The period of the `n`th history request (and its kind, when it names one), once it is sent.
    QString request(int n) {
        if (!QTest::qWaitFor([&] { return requests(kRewardPath) >= n; }))
            return u"no request %1"_s.arg(n);
        const sandbox::LoggedRequest r = server().requestsTo(kRewardPath).at(n - 1);
        const auto value = [&r](const QString& name) {
            return r.queryValue(name).value_or(QString());
        };
        return value(u"sdate"_s) + u'-' + value(u"edate"_s) +
               (r.hasQueryItem(u"rewardtype"_s) ? u" kind "_s + value(u"rewardtype"_s) : QString());
    }
};

QTEST_MAIN(TstBenefits)
#include "tst_benefits.moc"
