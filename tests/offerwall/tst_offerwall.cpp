// The offerwall main screen as a host gets it (Orvane::presentOrvane), against orvane-sandbox,
// driven with real clicks: title, groups and tabs, sort modes, row kinds, pinned rows to the
// detail page, the summary popup or header, the dialogs and the footer.

#include <QAccessible>
#include <QScrollBar>
#include <QScroller>
#include <QtTest>

#include "core/ApiProvider.h"
#include "core/Localized.h"
#include "core/NotificationCenter.h"
#include "core/SettingsKeys.h"
#include "core/UserDefaults.h"
#include "screens/AlertPresenter.h"
#include "screens/benefits/BenefitsViewController.h"
#include "screens/benefits/CanReceiveBenefitsViewController.h"
#include "screens/detail/DetailViewController.h"
#include "screens/inquiry/RequestViewController.h"
#include "screens/offerwall/CampCellCommon.h"
#include "screens/offerwall/CopyRightView.h"
#include "support/GuiTest.h"
#include "support/OfferwallHost.h"
#include "ui/Accessibility.h"
#include "ui/AlertController.h"
#include "ui/Button.h"
#include "ui/Label.h"
#include "ui/SegmentedControl.h"
#include "ui/Snapshot.h"
#include "ui/Views.h"

using namespace orvane;
using namespace Qt::StringLiterals;
using test::text;
using Ids = QList<qint64>;

Q_DECLARE_METATYPE(orvane::sandbox::Fault)
Q_DECLARE_METATYPE(std::optional<orvane::sandbox::Fault>)

namespace {

const QString kReqPath = u"/v1/req"_s;

QAccessibleInterface* accessible(QObject* object) {
    return QAccessible::queryAccessibleInterface(object);
}

QWidget* focused() {
    return QApplication::focusWidget();
}

} // namespace

class TstOfferwall : public test::GuiTest {
    Q_OBJECT
private Q_SLOTS:

    // The title and the copyright footer from the host's settings: the footer hidden unless set on,
    // then 30 high at the bottom, below the table.
    void chromeFromSettings_data() {
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("shownTitle");
        QTest::addColumn<int>("footer"); // -1 never set, 0 off, 1 on
        QTest::newRow("never set") << QString() << text("ov_offerwall_title") << -1;
        QTest::newRow("empty title, footer on") << u""_s << text("ov_offerwall_title") << 1;
        QTest::newRow("title set, footer off") << u"Bonus Coins"_s << u"Bonus Coins"_s << 0;
    }

    void chromeFromSettings() {
        QFETCH(QString, title);
        QFETCH(QString, shownTitle);
        QFETCH(int, footer);
        if (!title.isNull())
            Orvane::shared().setMainTitle(title);
        if (footer >= 0)
            Orvane::shared().setCopyRightVisibility(footer == 1);
        test::OfferwallHost ow;
        QVERIFY(ow.ok());
        QCOMPARE(ow.nav->navigationBar()->title(), shownTitle);
        CopyRightView* view = ow.screen->copyRightView();
        QTRY_COMPARE(view->height(), footer == 1 ? 30 : 0);
        QCOMPARE(view->isVisible(), footer == 1);
        if (footer == 1) {
            QCOMPARE(view->geometry().bottom(), ow.screen->height() - 1);
            QVERIFY(!view->findChildren<Label*>().isEmpty());
        } else if (footer == -1) {
            QCOMPARE(ow.screen->layout()->indexOf(view), -1);
        }
    }

    void bothGroupsWithTabsAndHeader() {
        test::OfferwallHost ow;
        QVERIFY(ow.ok());
        OrvaneViewController* screen = ow.screen;
        QTRY_COMPARE(screen->l_coins_value->plainText(), u"13,900 P"_s);
        QVERIFY(screen->v_coins_calue->isVisible());
        QVERIFY(!screen->presentedViewController()); // the text and a popup come in one step
        QVERIFY(screen->v_tabs->isVisible());
        QCOMPARE(screen->sc_camp->numberOfSegments(), 2);
        // Tabs in the accent colour.
        QCOMPARE(screen->sc_camp->tintColor(), Orvane::shared().orvaneColorPrimary());
        QCOMPARE(screen->sc_camp->borderColor(), Orvane::shared().orvaneColorPrimary());
        QCOMPARE(screen->sc_camp->selectedTitleColor(), QColor(Qt::white));
        for (const Camp& c : ow.rows())
            QVERIFY(c.bm != 4);

        // A real click on the second segment shows the purchase group, in CPS rows.
        QTest::mouseClick(screen->sc_camp, Qt::LeftButton, {},
                          screen->sc_camp->segmentRect(1).center());
        QCOMPARE(screen->sc_camp->selectedSegmentIndex(), 1);
        QCOMPARE(ow.ids(), (Ids{904, 401, 402, 403}));
        QTRY_COMPARE(ow.shownIds(), (Ids{-904, -401, -402, -403}));

        // A reload keeps the group the user chose, and the tabs.
        test::reloadLists();
        QTRY_COMPARE(requests(kReqPath), 2);
        QCOMPARE(ow.ids(), (Ids{904, 401, 402, 403}));
        QCOMPARE(screen->sc_camp->selectedSegmentIndex(), 1);
        QVERIFY(screen->v_tabs->isVisible());
    }

    // With shopping campaigns only, every row is a CPS row (shown negative) and there are no tabs.
    void onlyShoppingCampaignsHideTheTabs() {
        QJsonArray camps;
        for (const QJsonValue& value : server().catalogue().value(u"camp"_s).toArray()) {
            QJsonObject camp = value.toObject();
            camp[u"bm"_s] = 4;
            camps.append(camp);
        }
        QVERIFY(
            server().setCatalogue(QJsonObject{{u"camp"_s, camps}, {u"housemd"_s, QJsonArray{}}}));
        test::OfferwallHost ow;
        QVERIFY(ow.ok());
        QTRY_VERIFY(!ow.shownIds().isEmpty());
        for (qint64 id : ow.shownIds())
            QVERIFY(id < 0);
        QVERIFY(!ow.screen->v_tabs->isVisible());
    }

    void sortModesInTurn() {
        test::OfferwallHost ow;
        QVERIFY(ow.ok());
        // Default: the check-in campaign (convflag 1) first, native pictures before icons, then
        // orderseq; the house campaigns pinned at rows 1 and 3.
        const Ids init{901, 108, 902, 101, 103, 107, 104, 109, 110, 105, 102, 106};
        const Ids high{901, 108, 902, 109, 101, 102, 103, 110, 104, 106, 105, 107};
        const Ids low{901, 108, 902, 107, 105, 106, 104, 110, 103, 102, 101, 109};
        QTRY_COMPARE(ow.ids(), init);
        QCOMPARE(ow.screen->b_sort->title(), text("ov_sort_init"));
        for (const auto& [key, order] :
             {std::pair("ov_sort_high", high), std::pair("ov_sort_low", low),
              std::pair("ov_sort_init", init)}) {
            QTest::mouseClick(ow.screen->b_sort, Qt::LeftButton);
            QCOMPARE(ow.screen->b_sort->title(), text(key));
            QCOMPARE(ow.ids(), order);
            QTRY_COMPARE(ow.shownIds(), order.mid(0, ow.shownIds().size()));
            QVERIFY(!ow.shownIds().isEmpty());
        }
    }

    void popupOnFirstLoadNotWhileCovered() {
        test::OfferwallHost ow(true);
        QVERIFY(ow.ok());
        OrvaneViewController* screen = ow.screen;
        QTRY_VERIFY(AlertController::visibleAlert());
        AlertController* sheet = AlertController::visibleAlert();
        auto* popup =
            qobject_cast<CanReceiveBenefitsViewController*>(sheet->contentViewController());
        QVERIFY(popup);
        QCOMPARE(popup->l_popup_coins_value->plainText(), u"13,900 P"_s);
        QVERIFY(!screen->v_coins_calue->isVisible());
        QCOMPARE(screen->isAppear(), std::optional<bool>(true));

        // A tap beside the popup closes it.
        QTest::mouseClick(sheet, Qt::LeftButton, {}, QPoint(sheet->width() / 2, 40));
        QTRY_VERIFY(!screen->presentedViewController());

        // The house campaign pinned at row 3 has a detail page; covered by it, a reload shows
        // nothing.
        presentFlowAlertsOn(nullptr);
        QTRY_COMPARE(ow.shownIds().value(2), 902);
        test::tapRow(screen->tv_camp->cellForRow(2));
        QTRY_COMPARE(ow.nav->viewControllers().size(), 2);
        auto* detail = qobject_cast<DetailViewController*>(ow.nav->topViewController());
        QVERIFY(detail);
        QCOMPARE(detail->camp()->campid, std::optional<qint64>(902));
        QTRY_COMPARE(screen->isAppear(), std::optional<bool>(false));
        QSignalSpy reloaded(&screen->model(), &CampListModel::summaryReady);
        test::reloadLists();
        QVERIFY(reloaded.wait(10000));
        QVERIFY(!screen->presentedViewController());

        // Back on display: registered again for alerts, and the next reload shows the popup.
        QVERIFY(ow.nav->popViewController(false));
        QTRY_COMPARE(screen->isAppear(), std::optional<bool>(true));
        QCOMPARE(flowAlertScreen(), screen);
        test::reloadLists();
        QTRY_VERIFY(qobject_cast<AlertController*>(screen->presentedViewController()));
    }

    void errorDialogTellsTheUserWhatFailed_data() {
        QTest::addColumn<std::optional<sandbox::Fault>>("fault"); // none: never initialised
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("key");
        QTest::addColumn<Orvane::Failure>("failure");
        using F = sandbox::Fault;
        const Orvane::Failure loadFailed = Orvane::Failure::ListLoadFailed;
        for (const char* l : {"en", "ko"}) {
            const QString language = QString::fromLatin1(l);
            QTest::addRow("no connection %s", l)
                << std::optional(F::withBody(F::Body::Drop)) << language
                << u"ov_error_no_connection"_s << loadFailed;
            QTest::addRow("time-out %s", l)
                << std::optional(F::delay(3000)) << language << u"ov_error_timeout"_s << loadFailed;
            QTest::addRow("server error %s", l)
                << std::optional(F::status(500)) << language << u"ov_error_server"_s << loadFailed;
            QTest::addRow("unreadable %s", l)
                << std::optional(F::withBody(F::Body::Malformed)) << language
                << u"ov_error_unreadable_reply"_s << loadFailed;
        }
        QTest::addRow("kit never initialised")
            << std::optional<F>() << u"en"_s << u"ov_error_server"_s
            << Orvane::Failure::NotConfigured;
    }

    // The first load fails: the dialog says what went wrong in the user's language, without the
    // transport's or the decoder's wording, and the summary card stays hidden with nothing to show.
    // The host hears why, once, with the dialog already up.
    void errorDialogTellsTheUserWhatFailed() {
        QFETCH(std::optional<sandbox::Fault>, fault);
        QFETCH(QString, language);
        QFETCH(QString, key);
        QFETCH(Orvane::Failure, failure);
        if (fault) {
            server().setFault(kReqPath, *fault);
        } else {
            for (const QString& stored : {keys::kMkey, keys::kMckey, keys::kUserId})
                UserDefaults::standard().remove(stored);
        }
        // A short time-out for the time-out row only: a busy machine must not turn the others into
        // one.
        ApiProvider::setTimeoutForTesting(fault && fault->delayMs > 0 ? 300 : 0);
        setLocalizationLanguage(language);
        QList<std::pair<Orvane::Failure, bool>> heard; // and whether the dialog was up
        QObject context;
        connect(&Orvane::shared(), &Orvane::offerwallFailed, &context, [&heard](Orvane::Failure f) {
            heard << std::pair(f, AlertController::visibleAlert() != nullptr);
        });
        test::OfferwallHost ow;
        QVERIFY(ow.ok());
        QTRY_VERIFY(AlertController::visibleAlert());
        AlertController* alert = AlertController::visibleAlert();
        const QString message = alert->message();
        const QString expected = localized(key);
        const QString confirm = localized(u"ov_confirm"_s);
        setLocalizationLanguage(u"en"_s);
        ApiProvider::setTimeoutForTesting(0);
        QCOMPARE(message, expected);
        QVERIFY(language == "en"_L1 || message != localized(key));
        QVERIFY(!ow.screen->v_coins_calue->isVisible());
        QVERIFY(ow.rows().isEmpty());
        QCOMPARE(heard, (QList<std::pair<Orvane::Failure, bool>>{{failure, true}}));
        // One action in the user's language, and the offerwall stays.
        QCOMPARE(alert->actions().size(), 1);
        QVERIFY(alert->tapAction(confirm));
        QTRY_VERIFY(!ow.screen->presentedViewController());
        QCOMPARE(ow.host.presentedViewController(), ow.nav);
    }

    // After every load the host hears how many campaigns there are, the empty list included,
    // which is also a failure, reported with the no-campaign dialog up.
    void hostHearsOfEveryLoad() {
        const QJsonObject catalogue = server().catalogue();
        const QString all = QString::number(catalogue.value(u"camp"_s).toArray().size() +
                                            catalogue.value(u"housemd"_s).toArray().size());
        QStringList heard;
        QObject context;
        connect(&Orvane::shared(), &Orvane::campaignsAvailable, &context,
                [&heard](int count) { heard << QString::number(count); });
        connect(&Orvane::shared(), &Orvane::offerwallFailed, &context, [&heard](Orvane::Failure f) {
            const bool dialog = AlertController::visibleAlert() &&
                                AlertController::visibleAlert()->message() == text("ov_not_ads");
            heard << (f == Orvane::Failure::NoCampaigns && dialog ? u"none"_s : u"?"_s);
        });
        test::OfferwallHost ow;
        QVERIFY(ow.ok());
        QTRY_COMPARE(heard, QStringList{all});
        test::reloadLists();
        QTRY_COMPARE(heard.size(), 2);
        QVERIFY(server().setCatalogue(
            QJsonObject{{u"camp"_s, QJsonArray{}}, {u"housemd"_s, QJsonArray{}}}));
        test::reloadLists();
        QTRY_COMPARE(heard, (QStringList{all, all, u"0"_s, u"none"_s}));
    }

    // A host's own words and a language of its own, as the user sees them: the host's German where
    // it gave some, the kit's English where it did not, and the host's English word on the error
    // dialog's button. ORVANE_TEST_SNAPSHOTS=DIR keeps the picture.
    void hostTextsRendered() {
        Orvane& kit = Orvane::shared();
        auto restore = qScopeGuard([&kit] {
            kit.setStrings(QLocale(QLocale::English), {});
            kit.setStrings(QLocale(QLocale::German), {});
        });
        QVERIFY(kit.setStrings(QLocale(QLocale::English), {{u"ov_confirm"_s, u"Got it"_s}}));
        QVERIFY(kit.setStrings(QLocale(QLocale::German),
                               {{u"ov_offerwall_title"_s, u"Gratis-Prämien"_s},
                                {u"ov_tab_campaigns"_s, u"Verdienen"_s},
                                {u"ov_alarm"_s, u"Hinweis"_s}}));
        setLocalizationLanguage(u"de"_s);
        test::OfferwallHost ow;
        QVERIFY(ow.ok());
        QTRY_VERIFY(!ow.shownIds().isEmpty());
        server().setFault(kReqPath, sandbox::Fault::status(500));
        test::reloadLists();
        QTRY_VERIFY(AlertController::visibleAlert());
        QTemporaryDir scratch;
        const QString dir = qEnvironmentVariable("ORVANE_TEST_SNAPSHOTS", scratch.path());
        QVERIFY(grabToPng(ow.host.window(), dir + u"/host-texts.png"_s));
        QCOMPARE(ow.nav->navigationBar()->title(), u"Gratis-Prämien"_s);
        QCOMPARE(ow.screen->sc_camp->titleForSegment(0), u"Verdienen"_s);
        QCOMPARE(ow.screen->sc_camp->titleForSegment(1), u"Shopping"_s);
        QCOMPARE(AlertController::visibleAlert()->title(), u"Hinweis"_s);
        QVERIFY(AlertController::visibleAlert()->tapAction(u"Got it"_s));
    }

    // An offerwall from the facade, not shown yet: the screen has not loaded, so a list
    // change neither fetches nor presents anything; once it loads it listens, and when its first
    // appearance comes after the replies, the summary popup shows then.
    void unshownOfferwallLoadsOnlyWhenAsked() {
        const int observers = NotificationCenter::defaultCenter().observerCount(kActionListChange);
        std::unique_ptr<ViewController> wall(
            qobject_cast<ViewController*>(Orvane::shared().orvaneViewController()));
        auto* nav = qobject_cast<NavigationController*>(wall.get());
        auto* screen =
            nav ? qobject_cast<OrvaneViewController*>(nav->rootViewController()) : nullptr;
        QVERIFY(screen && !screen->isViewLoaded());
        test::reloadLists();
        QCOMPARE(NotificationCenter::defaultCenter().observerCount(kActionListChange), observers);
        QVERIFY(!screen->presentedViewController());

        QSignalSpy loaded(&screen->model(), &CampListModel::summaryReady);
        screen->loadViewIfNeeded();
        QVERIFY(loaded.wait(10000));
        QCOMPARE(requests(kReqPath), 1); // the load's own request only
        test::reloadLists();
        QTRY_COMPARE(loaded.size(), 2);
        QCOMPARE(requests(kReqPath), 2);
        QCOMPARE(screen->isAppear(), std::nullopt);

        wall->show();
        QVERIFY(QTest::qWaitForWindowExposed(wall.get()));
        QTRY_VERIFY(AlertController::visibleAlert());
        auto* popup = qobject_cast<CanReceiveBenefitsViewController*>(
            AlertController::visibleAlert()->contentViewController());
        QVERIFY(popup && popup->isVisible());
    }

    // A left-button drag moves every scrolling screen of the offerwall and starts nothing: no
    // join, no page opened, no sheet.
    void everyScrollingScreenFollowsADrag_data() {
        QTest::addColumn<QString>("screen");
        for (const char* screen : {"list", "history", "detail", "inquiry"})
            QTest::newRow(screen) << QString::fromLatin1(screen);
    }
    void everyScrollingScreenFollowsADrag() {
        QFETCH(QString, screen);
        const QString today = QDate::currentDate().toString(u"yyyyMMdd"_s);
        for (int i = 0; i < 20; ++i)
            server().addRewardRecord({sandbox::kDemoMkey, sandbox().userId(), 101 + i, u"R"_s, 100,
                                      u"P"_s, today, 1, QString()});
        test::OfferwallHost ow;
        QVERIFY(ow.ok());
        ow.host.resize(390, 600);
        QTRY_VERIFY(ow.rowOf(101) >= 0);
        if (screen == u"history")
            ow.screen->clickBenefits();
        else if (screen == u"detail")
            ow.screen->onClick(ow.rowOf(101));
        else if (screen == u"inquiry")
            QTest::mouseClick(ow.nav->findChild<QWidget*>(u"b_inquiry"_s), Qt::LeftButton);
        ViewController* top = ow.nav->topViewController();
        QTRY_VERIFY(top->isVisible() && settled());
        QAbstractScrollArea* area = ow.screen->tv_camp;
        if (auto* history = qobject_cast<BenefitsViewController*>(top))
            area = history->tv_reward;
        else if (top != ow.screen)
            area = top->findChild<ScrollView*>();
        QTRY_VERIFY(area->verticalScrollBar()->maximum() > 120);

        test::drag(area->window()->windowHandle(),
                   area->mapTo(area->window(), area->rect().center()), 10, 15, 30, 300);
        QTRY_VERIFY(QScroller::scroller(area->viewport())->state() == QScroller::Inactive);
        QVERIFY(area->verticalScrollBar()->value() > 100);
        QVERIFY(settled());
        QCOMPARE(ow.nav->topViewController(), top);
        QCOMPARE(requests(u"/v1/join"_s), 0);
        QVERIFY(!AlertController::visibleAlert());
    }

    // As a screen reader and a keyboard-only user meet the offerwall: accessible names and roles
    // read through QAccessible, and a walk with the keyboard alone from opening the wall to joining
    // a campaign and back.
    void namesAndRoles();
    void keyboardOnlyWalk();

private:
    // Opens the offerwall and waits for its list and for the kit's alerts to go to it.
    bool openLoaded() {
        m_ow = std::make_unique<test::OfferwallHost>();
        return m_ow->ok() && QTest::qWaitFor([this] {
                   return !m_ow->rows().isEmpty() && flowAlertScreen() == m_ow->screen;
               });
    }
    void cleanupTest() override { m_ow.reset(); }

    std::unique_ptr<test::OfferwallHost> m_ow;
};

void TstOfferwall::namesAndRoles() {
    QVERIFY(openLoaded());
    // A row reads "title, reward, action" and can be pressed.
    CampTableViewCell* cell = m_ow->cell(110);
    QVERIFY(cell);
    const Camp camp = *cell->camp();
    QAccessibleInterface* rowInterface = accessible(cell);
    QCOMPARE(rowInterface->role(), QAccessible::ListItem);
    QCOMPARE(rowInterface->text(QAccessible::Name),
             QStringList({*camp.name, campRewardText(camp), *camp.cta}).join(u", "_s));
    QVERIFY(rowInterface->actionInterface()->actionNames().contains(
        QAccessibleActionInterface::pressAction()));

    // The tabs: a tab list of two named tabs, the first selected.
    QAccessibleInterface* tabs = accessible(m_ow->screen->sc_camp);
    QCOMPARE(tabs->role(), QAccessible::PageTabList);
    QCOMPARE(tabs->childCount(), 2);
    const QStringList tabNames{text("ov_tab_campaigns"), text("ov_tab_shopping")};
    for (int i = 0; i < 2; ++i) {
        QCOMPARE(tabs->child(i)->role(), QAccessible::PageTab);
        QCOMPARE(tabs->child(i)->text(QAccessible::Name), tabNames.at(i));
        QCOMPARE(tabs->child(i)->state().selected, i == 0);
    }

    // Each control of the list screen, then of the inquiry form: shown, named, in the Tab chain.
    const auto control = [this](const char* objectName, QAccessible::Role role,
                                const QString& name) {
        auto* widget = m_ow->nav->findChild<QWidget*>(QString::fromLatin1(objectName));
        QVERIFY2(widget && widget->isVisible() && (widget->focusPolicy() & Qt::TabFocus),
                 objectName);
        QCOMPARE(accessible(widget)->role(), role);
        QCOMPARE(accessible(widget)->text(QAccessible::Name), name);
    };
    control("b_close", QAccessible::Button, text("ov_a11y_close"));
    control("b_sort", QAccessible::Button, text("ov_a11y_sort").arg(text("ov_sort_init")));
    control("b_benefits", QAccessible::Button, text("ov_benefits_received"));
    control("tv_camp", QAccessible::List, text("ov_a11y_campaigns"));
    m_ow->screen->performSegue(RequestViewController::kSceneIdentifier);
    control("v_request_type", QAccessible::Button,
            text("ov_inquiry_type") + u", "_s + text("ov_request_type_select"));
    control("tf_name", QAccessible::EditableText, text("ov_name"));
    control("tf_email", QAccessible::EditableText, text("ov_email"));
    control("tv_input_inquiry", QAccessible::EditableText, text("ov_inquiry_contents"));
    control("iv_attach", QAccessible::Button, text("ov_a11y_add_screenshot"));
    control("b_agree", QAccessible::CheckBox, text("ov_agree"));
    control("b_positive", QAccessible::Button, text("ov_send"));
    // Space ticks the agreement, as a tap does.
    auto* agree = m_ow->nav->findChild<QWidget*>(u"b_agree"_s);
    QVERIFY(!accessible(agree)->state().checked);
    agree->setFocus();
    QTest::keyClick(agree, Qt::Key_Space);
    QVERIFY(accessible(agree)->state().checked);
    QVERIFY(m_ow->nav->findChild<QWidget*>(u"b_positive"_s)->isEnabled());
}

void TstOfferwall::keyboardOnlyWalk() {
    QVERIFY(openLoaded());
    test::FakeConsent::install();
    test::FakeUrlOpener& opener = test::FakeUrlOpener::install();
    auto key = [](Qt::Key k) {
        QVERIFY(focused());
        QTest::keyClick(focused(), k);
    };

    // Opening the wall puts the focus on its first control; Tab follows the reading order.
    QTRY_COMPARE(focused(), m_ow->screen->closeButton());
    const QList<QWidget*> order{m_ow->nav->findChild<QWidget*>(u"b_inquiry"_s),
                                m_ow->screen->sc_camp, m_ow->screen->benefitsButton(),
                                m_ow->screen->b_sort, m_ow->screen->tv_camp};
    for (QWidget* next : order) {
        key(Qt::Key_Tab);
        QCOMPARE(focused(), next);
    }

    // In the list, the current row wears the focus ring; Down moves to the campaign.
    TableView* list = m_ow->screen->tv_camp;
    QCOMPARE(list->currentRow(), 0);
    const int target = m_ow->rowOf(103); // has a detail page
    QVERIFY(target > 0);
    for (int i = 0; i < target; ++i)
        key(Qt::Key_Down);
    QCOMPARE(list->currentRow(), target);
    auto* ring = list->findChild<FocusRing*>();
    QVERIFY(ring && ring->isVisible());
    QCOMPARE(ring->target(), list->cellForRow(target));
    QVERIFY(accessible(list->cellForRow(target))->state().focused);

    // Enter opens its detail page; Tab reaches the join button, Enter joins.
    key(Qt::Key_Return);
    auto* detail = qobject_cast<DetailViewController*>(m_ow->nav->topViewController());
    QVERIFY(detail);
    QTRY_COMPARE(detail->buttonState(), DetailViewController::ButtonState::join); // armed
    for (int i = 0; i < 10 && focused() != detail->b_reward(); ++i)
        key(Qt::Key_Tab);
    QCOMPARE(focused(), detail->b_reward());
    key(Qt::Key_Return);
    QTRY_COMPARE(requests(u"/v1/join"_s), 1);
    QTRY_COMPARE(opener.opened.size(), 1);

    // Escape goes back to the list.
    key(Qt::Key_Escape);
    QTRY_COMPARE(m_ow->nav->topViewController(), m_ow->screen);

    // An alert takes the focus; Escape answers it and the focus goes back to the list.
    server().setFault(u"/v1/join"_s, sandbox::Fault::resultCode(403));
    ApiJoin::shared().resetForTesting();
    presentFlowAlertsOn(m_ow->screen);
    list->setFocus(Qt::TabFocusReason);
    list->setCurrentRow(m_ow->rowOf(110));
    key(Qt::Key_Space);
    QTRY_VERIFY(AlertController::visibleAlert());
    QVERIFY(AlertController::visibleAlert()->isAncestorOf(focused()));
    key(Qt::Key_Escape);
    QTRY_VERIFY(!AlertController::visibleAlert());
    QTRY_COMPARE(focused(), list);

    // Escape at the root closes the offerwall.
    key(Qt::Key_Escape);
    QTRY_VERIFY(!m_ow->host.presentedViewController());
}

QTEST_MAIN(TstOfferwall)
#include "tst_offerwall.moc"
