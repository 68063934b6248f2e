// The offerwall as a screen reader and a keyboard-only user meet it, against orvane-sandbox:
// accessible names and roles read through QAccessible, and a walk with the keyboard alone from
// opening the wall to joining a campaign and back.

#include <QAccessible>
#include <QtTest>

#include "participation/ApiJoin.h"
#include "platform/Log.h"
#include "platform/ui/Accessibility.h"
#include "platform/ui/AlertController.h"
#include "platform/ui/Button.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/SegmentedControl.h"
#include "screens/detail/DetailViewController.h"
#include "screens/inquiry/RequestViewController.h"
#include "screens/offerwall/CampCellCommon.h"
#include "screens/offerwall/CampTableViewCell.h"
#include "screens/offerwall/OrvaneViewController.h"
#include "sdk/Localized.h"
#include "sdk/Orvane.h"
#include "support/Fakes.h"
#include "support/SandboxFixture.h"
#include "support/TestSupport.h"

using namespace orvane;
using test::text;

namespace {

QAccessibleInterface* accessible(QObject* object) {
    return QAccessible::queryAccessibleInterface(object);
}

QWidget* focused() {
    return QApplication::focusWidget();
}

} // namespace

class TstAccessibility : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() {
        Log::setDisplayLog(true);
        setLocalizationLanguage(QStringLiteral("en"));
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        Orvane::shared().setBenefitsType(Orvane::TYPE_BENEFITS_DISPLAY_LIST_TOP);
    }
    void init() {
        ApiJoin::shared().resetForTesting();
        QVERIFY(m_sandbox.ok());
        m_sandbox.server().clearFaults();
        m_host = new ViewController;
        m_host->show();
        m_host->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_host));
        Orvane::shared().presentOrvane(m_host.data());
        m_nav = qobject_cast<NavigationController*>(m_host->presentedViewController());
        QVERIFY(m_nav);
        m_screen = qobject_cast<OrvaneViewController*>(m_nav->rootViewController());
        QVERIFY(m_screen);
        QTRY_VERIFY(!m_screen->model().selectedAllCampList().isEmpty());
        QTRY_COMPARE(ApiJoin::shared().viewController(), m_screen.data());
    }
    void cleanup() {
        delete m_host.data();
        ApiJoin::shared().resetForTesting();
        test::restoreDefaultServices();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    void offerwallNamesAndRoles();
    void formNamesAndRoles_data();
    void formNamesAndRoles();
    void keyboardOnlyWalk();

private:
    int rowOf(qint64 campid) const {
        const QList<Camp> rows = m_screen->model().selectedAllCampList();
        for (int i = 0; i < rows.size(); ++i) {
            if (rows.at(i).campid == campid)
                return i;
        }
        return -1;
    }

    test::SandboxFixture m_sandbox;
    QPointer<ViewController> m_host;
    QPointer<NavigationController> m_nav;
    QPointer<OrvaneViewController> m_screen;
};

void TstAccessibility::offerwallNamesAndRoles() {
    // A row reads "title, reward, action" and can be pressed.
    const int row = rowOf(110);
    QVERIFY(row >= 0);
    m_screen->tv_camp->scrollToRow(row);
    auto* cell = qobject_cast<CampTableViewCell*>(m_screen->tv_camp->cellForRow(row));
    QVERIFY(cell);
    const Camp camp = *cell->camp();
    QAccessibleInterface* rowInterface = accessible(cell);
    QVERIFY(rowInterface);
    QCOMPARE(rowInterface->role(), QAccessible::ListItem);
    QCOMPARE(rowInterface->text(QAccessible::Name),
             QStringList({*camp.name, campRewardText(camp), *camp.cta}).join(QStringLiteral(", ")));
    QVERIFY(rowInterface->actionInterface());
    QVERIFY(rowInterface->actionInterface()->actionNames().contains(
        QAccessibleActionInterface::pressAction()));
    QCOMPARE(accessible(m_screen->tv_camp)->role(), QAccessible::List);

    // The tabs: a tab list of two named tabs, the first selected.
    QAccessibleInterface* tabs = accessible(m_screen->sc_camp);
    QCOMPARE(tabs->role(), QAccessible::PageTabList);
    QCOMPARE(tabs->childCount(), 2);
    const QStringList tabNames{text("ov_tab_campaigns"), text("ov_tab_shopping")};
    for (int i = 0; i < 2; ++i) {
        QAccessibleInterface* tab = tabs->child(i);
        QCOMPARE(tab->role(), QAccessible::PageTab);
        QCOMPARE(tab->text(QAccessible::Name), tabNames.at(i));
        QCOMPARE(tab->state().selected, i == 0);
        QCOMPARE(tab->parent(), tabs);
    }

    // Bar and header controls drawn as glyphs still have names.
    QCOMPARE(accessible(m_screen->closeButton())->role(), QAccessible::Button);
    QCOMPARE(accessible(m_screen->closeButton())->text(QAccessible::Name), text("ov_a11y_close"));
    QCOMPARE(accessible(m_screen->b_sort)->text(QAccessible::Name),
             text("ov_a11y_sort").arg(m_screen->model().sortTitle()));
    QCOMPARE(accessible(m_screen->benefitsButton())->text(QAccessible::Name),
             text("ov_benefits_received"));
}

void TstAccessibility::formNamesAndRoles_data() {
    QTest::addColumn<QString>("objectName");
    QTest::addColumn<QAccessible::Role>("role");
    QTest::addColumn<QString>("name");
    const auto row = [](const char* tag, const char* objectName, QAccessible::Role role,
                        const QString& name) {
        QTest::newRow(tag) << QString::fromLatin1(objectName) << role << name;
    };
    row("kind selector", "v_request_type", QAccessible::Button,
        text("ov_inquiry_type") + QStringLiteral(", ") + text("ov_request_type_select"));
    row("name field", "tf_name", QAccessible::EditableText, text("ov_name"));
    row("phone field", "tf_phone", QAccessible::EditableText, text("ov_phone"));
    row("e-mail field", "tf_email", QAccessible::EditableText, text("ov_email"));
    row("inquiry text", "tv_input_inquiry", QAccessible::EditableText, text("ov_inquiry_contents"));
    row("attach", "iv_attach", QAccessible::Button, text("ov_a11y_add_screenshot"));
    row("agreement", "b_agree", QAccessible::CheckBox, text("ov_agree"));
    row("send", "b_positive", QAccessible::Button, text("ov_send"));
    row("cancel", "b_negative", QAccessible::Button, text("ov_cancel"));
}

void TstAccessibility::formNamesAndRoles() {
    QFETCH(QString, objectName);
    QFETCH(QAccessible::Role, role);
    QFETCH(QString, name);
    m_screen->performSegue(RequestViewController::kSceneIdentifier);
    auto* form = qobject_cast<RequestViewController*>(m_nav->topViewController());
    QVERIFY(form);
    auto* widget = form->findChild<QWidget*>(objectName);
    QVERIFY(widget);
    QAccessibleInterface* control = accessible(widget);
    QCOMPARE(control->role(), role);
    QCOMPARE(control->text(QAccessible::Name), name);
    QVERIFY(widget->focusPolicy() & Qt::TabFocus);
    if (role == QAccessible::CheckBox) {
        QVERIFY(!control->state().checked);
        widget->setFocus();
        QTest::keyClick(widget, Qt::Key_Space);
        QVERIFY(control->state().checked);
        QVERIFY(form->b_positive->isEnabled()); // the same as a tap on the box
    }
}

void TstAccessibility::keyboardOnlyWalk() {
    test::FakeConsent::install();
    test::FakeUrlOpener& opener = test::FakeUrlOpener::install();
    auto key = [](Qt::Key k, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QVERIFY(focused());
        QTest::keyClick(focused(), k, modifiers);
    };

    // Opening the wall puts the focus on its first control; Tab follows the reading order.
    QTRY_COMPARE(focused(), m_screen->closeButton());
    const QList<QWidget*> order{m_nav->findChild<QWidget*>(QStringLiteral("b_inquiry")),
                                m_screen->sc_camp, m_screen->benefitsButton(), m_screen->b_sort,
                                m_screen->tv_camp};
    for (QWidget* next : order) {
        key(Qt::Key_Tab);
        QCOMPARE(focused(), next);
    }
    key(Qt::Key_Tab, Qt::ShiftModifier);
    QCOMPARE(focused(), m_screen->b_sort);
    key(Qt::Key_Tab);

    // In the list, the current row wears the focus ring; Down moves to the campaign.
    TableView* list = m_screen->tv_camp;
    QCOMPARE(list->currentRow(), 0);
    const int target = rowOf(103); // has a detail page
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
    auto* detail = qobject_cast<DetailViewController*>(m_nav->topViewController());
    QVERIFY(detail);
    QTRY_COMPARE(detail->buttonState(), DetailViewController::ButtonState::join); // armed
    for (int i = 0; i < 10 && focused() != detail->b_reward(); ++i)
        key(Qt::Key_Tab);
    QCOMPARE(focused(), detail->b_reward());
    key(Qt::Key_Return);
    QTRY_COMPARE(m_sandbox.server().requestsTo(QStringLiteral("/v1/join")).size(), 1);
    QTRY_COMPARE(opener.opened.size(), 1);

    // Escape goes back to the list.
    key(Qt::Key_Escape);
    QTRY_COMPARE(m_nav->topViewController(), m_screen.data());
    QVERIFY(focused());

    // An alert takes the focus; Escape answers it and the focus goes back to the list.
    m_sandbox.server().setFault(QStringLiteral("/v1/join"), sandbox::Fault::resultCode(403));
    ApiJoin::shared().resetForTesting();
    ApiJoin::shared().setViewController(m_screen);
    list->setFocus(Qt::TabFocusReason);
    list->setCurrentRow(rowOf(110));
    key(Qt::Key_Space);
    QTRY_VERIFY(AlertController::visibleAlert());
    QVERIFY(AlertController::visibleAlert()->isAncestorOf(focused()));
    key(Qt::Key_Escape);
    QTRY_VERIFY(!AlertController::visibleAlert());
    QTRY_COMPARE(focused(), list);

    // Escape at the root closes the offerwall.
    key(Qt::Key_Escape);
    QTRY_VERIFY(!m_host->presentedViewController());
}

QTEST_MAIN(TstAccessibility)
#include "tst_accessibility.moc"
