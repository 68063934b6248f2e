// The offerwall as a screen reader and a keyboard-only user meet it, against orvane-sandbox:
// accessible names and roles read through QAccessible, and a walk with the keyboard alone from
// opening the wall to joining a campaign and back.

#include <QAccessible>
#include <QtTest>

#include "core/CampListModel.h"
#include "participation/ApiJoin.h"
#include "screens/detail/DetailViewController.h"
#include "screens/inquiry/RequestViewController.h"
#include "screens/offerwall/CampCellCommon.h"
#include "screens/offerwall/CampTableViewCell.h"
#include "screens/offerwall/OrvaneViewController.h"
#include "support/Fakes.h"
#include "support/GuiTest.h"
#include "support/OfferwallHost.h"
#include "ui/Accessibility.h"
#include "ui/AlertController.h"
#include "ui/Button.h"
#include "ui/NavigationController.h"
#include "ui/SegmentedControl.h"

using namespace orvane;
using namespace Qt::StringLiterals;
using test::text;

namespace {

QAccessibleInterface* accessible(QObject* object) {
    return QAccessible::queryAccessibleInterface(object);
}

QWidget* focused() {
    return QApplication::focusWidget();
}

} // namespace

class TstAccessibility : public test::GuiTest {
    Q_OBJECT
private Q_SLOTS:
    void rowsAndTabs();
    void controlNamesAndRoles_data();
    void controlNamesAndRoles();
    void keyboardOnlyWalk();

private:
    // Every function starts on the offerwall with its list loaded.
    void initTest() override {
        m_ow = std::make_unique<test::OfferwallHost>();
        QVERIFY(m_ow->ok());
        m_nav = m_ow->nav;
        m_screen = m_ow->screen;
        QTRY_VERIFY(!m_ow->rows().isEmpty());
        QTRY_COMPARE(ApiJoin::shared().viewController(), m_screen);
    }
    void cleanupTest() override { m_ow.reset(); }
    int rowOf(qint64 campid) const { return m_ow->rowOf(campid); }

    std::unique_ptr<test::OfferwallHost> m_ow;
    NavigationController* m_nav = nullptr;
    OrvaneViewController* m_screen = nullptr;
};

void TstAccessibility::rowsAndTabs() {
    // A row reads "title, reward, action" and can be pressed.
    const int row = rowOf(110);
    QVERIFY(row >= 0);
    m_screen->tv_camp->scrollToRow(row);
    auto* cell = qobject_cast<CampTableViewCell*>(m_screen->tv_camp->cellForRow(row));
    QVERIFY(cell);
    const Camp camp = *cell->camp();
    QAccessibleInterface* rowInterface = accessible(cell);
    QCOMPARE(rowInterface->role(), QAccessible::ListItem);
    QCOMPARE(rowInterface->text(QAccessible::Name),
             QStringList({*camp.name, campRewardText(camp), *camp.cta}).join(QStringLiteral(", ")));
    QVERIFY(rowInterface->actionInterface()->actionNames().contains(
        QAccessibleActionInterface::pressAction()));

    // The tabs: a tab list of two named tabs, the first selected.
    QAccessibleInterface* tabs = accessible(m_screen->sc_camp);
    QCOMPARE(tabs->role(), QAccessible::PageTabList);
    QCOMPARE(tabs->childCount(), 2);
    const QStringList tabNames{text("ov_tab_campaigns"), text("ov_tab_shopping")};
    for (int i = 0; i < 2; ++i) {
        QCOMPARE(tabs->child(i)->role(), QAccessible::PageTab);
        QCOMPARE(tabs->child(i)->text(QAccessible::Name), tabNames.at(i));
        QCOMPARE(tabs->child(i)->state().selected, i == 0);
    }
}

void TstAccessibility::controlNamesAndRoles_data() {
    QTest::addColumn<bool>("inForm");
    QTest::addColumn<QString>("objectName");
    QTest::addColumn<QAccessible::Role>("role");
    QTest::addColumn<QString>("name");
    const auto row = [](const char* objectName, bool inForm, QAccessible::Role role,
                        const QString& name) {
        QTest::newRow(objectName) << inForm << QString::fromLatin1(objectName) << role << name;
    };
    row("b_close", false, QAccessible::Button, text("ov_a11y_close"));
    row("b_sort", false, QAccessible::Button, text("ov_a11y_sort").arg(text("ov_sort_init")));
    row("b_benefits", false, QAccessible::Button, text("ov_benefits_received"));
    row("tv_camp", false, QAccessible::List, text("ov_a11y_campaigns"));
    row("v_request_type", true, QAccessible::Button,
        text("ov_inquiry_type") + QStringLiteral(", ") + text("ov_request_type_select"));
    row("tf_name", true, QAccessible::EditableText, text("ov_name"));
    row("tf_email", true, QAccessible::EditableText, text("ov_email"));
    row("tv_input_inquiry", true, QAccessible::EditableText, text("ov_inquiry_contents"));
    row("iv_attach", true, QAccessible::Button, text("ov_a11y_add_screenshot"));
    row("b_agree", true, QAccessible::CheckBox, text("ov_agree"));
    row("b_positive", true, QAccessible::Button, text("ov_send"));
}

void TstAccessibility::controlNamesAndRoles() {
    QFETCH(bool, inForm);
    QFETCH(QString, objectName);
    QFETCH(QAccessible::Role, role);
    QFETCH(QString, name);
    if (inForm)
        m_screen->performSegue(RequestViewController::kSceneIdentifier);
    auto* widget = m_nav->findChild<QWidget*>(objectName);
    QVERIFY(widget && widget->isVisible());
    QAccessibleInterface* control = accessible(widget);
    QCOMPARE(control->role(), role);
    QCOMPARE(control->text(QAccessible::Name), name);
    QVERIFY(widget->focusPolicy() & Qt::TabFocus);
    if (role == QAccessible::CheckBox) { // Space ticks it, as a tap does
        QVERIFY(!control->state().checked);
        widget->setFocus();
        QTest::keyClick(widget, Qt::Key_Space);
        QVERIFY(control->state().checked);
        QVERIFY(m_nav->findChild<QWidget*>(QStringLiteral("b_positive"))->isEnabled());
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
    QTRY_COMPARE(server().requestsTo(QStringLiteral("/v1/join")).size(), 1);
    QTRY_COMPARE(opener.opened.size(), 1);

    // Escape goes back to the list.
    key(Qt::Key_Escape);
    QTRY_COMPARE(m_nav->topViewController(), m_screen);
    QVERIFY(focused());

    // An alert takes the focus; Escape answers it and the focus goes back to the list.
    server().setFault(QStringLiteral("/v1/join"), sandbox::Fault::resultCode(403));
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
    QTRY_VERIFY(!m_ow->host.presentedViewController());
}

QTEST_MAIN(TstAccessibility)
#include "tst_accessibility.moc"
