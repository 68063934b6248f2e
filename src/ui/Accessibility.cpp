#include "ui/Accessibility.h"

#include <functional>

#include <QAccessibleWidget>
#include <QKeyEvent>
#include <QPainter>

#include "ui/SegmentedControl.h"
#include "ui/TableView.h"
#include "ui/Theme.h"

namespace orvane {

namespace {

constexpr const char* kRoleProperty = "orvane_accessibleRole";
const QString kActivatorName = QStringLiteral("orvane_keyActivator");

// Enter and Space on a keyboard control run its activation, as a tap would.
class KeyActivator final : public QObject {
public:
    KeyActivator(QWidget* widget, std::function<void()> activate)
        : QObject(widget)
        , m_activate(std::move(activate)) {
        setObjectName(kActivatorName);
        widget->installEventFilter(this);
    }

    void run() const {
        if (m_activate)
            m_activate();
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress)
            return false;
        auto* key = static_cast<QKeyEvent*>(event);
        const bool activates = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter ||
                               key->key() == Qt::Key_Space;
        if (!activates || (key->modifiers() & ~Qt::KeypadModifier) || key->isAutoRepeat())
            return false;
        if (static_cast<QWidget*>(watched)->isEnabled())
            run();
        return true;
    }

private:
    std::function<void()> m_activate;
};

// Runs what a tap on `widget` runs: a row's action, or a keyboard control's activation.
bool activate(QWidget* widget) {
    if (auto* cell = qobject_cast<TableViewCell*>(widget)) {
        cell->activate();
        return true;
    }
    const auto children =
        widget->findChildren<QObject*>(kActivatorName, Qt::FindDirectChildrenOnly);
    for (QObject* child : children) {
        if (auto* activator = dynamic_cast<KeyActivator*>(child)) {
            activator->run();
            return true;
        }
    }
    return false;
}

// A widget of the kit with the role it was given and a press action.
class RoleAccessible final : public QAccessibleWidget {
public:
    RoleAccessible(QWidget* widget, QAccessible::Role role)
        : QAccessibleWidget(widget, role) {}

    // A list's current row is selected, and focused while its list has the focus.
    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        if (auto* cell = qobject_cast<TableViewCell*>(widget())) {
            const TableView* table = cell->tableView();
            s.selectable = true;
            if (table && table->currentRow() >= 0 &&
                table->cellForRow(table->currentRow()) == cell) {
                s.selected = true;
                s.focused = table->hasFocus();
            }
        }
        return s;
    }

    QStringList actionNames() const override {
        QStringList names = QAccessibleWidget::actionNames();
        if (role() == QAccessible::Button || role() == QAccessible::ListItem)
            names.prepend(pressAction());
        return names;
    }

    void doAction(const QString& actionName) override {
        if (actionName == pressAction() && widget()->isEnabled() && activate(widget()))
            return;
        QAccessibleWidget::doAction(actionName);
    }
};

// One segment of a segmented control: a page tab named by its title.
class SegmentAccessible final : public QAccessibleInterface {
public:
    SegmentAccessible(SegmentedControl* control, int index)
        : m_control(control)
        , m_index(index) {}

    bool isValid() const override { return m_control && m_index < m_control->numberOfSegments(); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return parent() ? parent()->window() : nullptr; }
    QAccessibleInterface* parent() const override {
        return QAccessible::queryAccessibleInterface(m_control.data());
    }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessibleInterface* focusChild() const override { return nullptr; }
    QString text(QAccessible::Text t) const override {
        return t == QAccessible::Name && isValid() ? m_control->titleForSegment(m_index)
                                                   : QString();
    }
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override {
        if (!isValid())
            return {};
        const QRect r = m_control->segmentRect(m_index);
        return QRect(m_control->mapToGlobal(r.topLeft()), r.size());
    }
    QAccessible::Role role() const override { return QAccessible::PageTab; }
    QAccessible::State state() const override {
        QAccessible::State s;
        if (!isValid())
            return s;
        s.selectable = true;
        s.selected = m_control->selectedSegmentIndex() == m_index;
        s.focusable = true;
        s.focused = s.selected && m_control->hasFocus();
        s.invisible = !m_control->isVisible();
        return s;
    }

    int index() const { return m_index; }

private:
    QPointer<SegmentedControl> m_control;
    int m_index;
};

// The segmented control: a tab list whose children are its segments.
class SegmentedAccessible final : public QAccessibleWidget {
public:
    explicit SegmentedAccessible(SegmentedControl* control)
        : QAccessibleWidget(control, QAccessible::PageTabList) {}

    SegmentedControl* control() const { return static_cast<SegmentedControl*>(widget()); }

    int childCount() const override { return control()->numberOfSegments(); }
    QAccessibleInterface* child(int index) const override {
        if (index < 0 || index >= childCount())
            return nullptr;
        while (m_segments.size() <= index)
            m_segments.append(QAccessible::registerAccessibleInterface(
                new SegmentAccessible(control(), static_cast<int>(m_segments.size()))));
        return QAccessible::accessibleInterface(m_segments.at(index));
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        for (int i = 0; i < m_segments.size(); ++i) {
            if (QAccessible::accessibleInterface(m_segments.at(i)) == child)
                return i;
        }
        return -1;
    }
    QAccessibleInterface* focusChild() const override {
        return control()->hasFocus() ? child(control()->selectedSegmentIndex()) : nullptr;
    }
    ~SegmentedAccessible() override {
        for (QAccessible::Id id : std::as_const(m_segments))
            QAccessible::deleteAccessibleInterface(id);
    }

private:
    mutable QList<QAccessible::Id> m_segments;
};

QAccessibleInterface* factory(const QString&, QObject* object) {
    if (!object || !object->isWidgetType())
        return nullptr;
    auto* widget = static_cast<QWidget*>(object);
    if (auto* control = qobject_cast<SegmentedControl*>(widget))
        return new SegmentedAccessible(control);
    const QVariant role = widget->property(kRoleProperty);
    if (role.isValid())
        return new RoleAccessible(widget, static_cast<QAccessible::Role>(role.toInt()));
    return nullptr;
}

} // namespace

namespace ui {

void installAccessibility() {
    static const bool installed = [] {
        QAccessible::installFactory(factory);
        return true;
    }();
    Q_UNUSED(installed)
}

void setAccessibleRole(QWidget* widget, QAccessible::Role role) {
    installAccessibility();
    widget->setProperty(kRoleProperty, static_cast<int>(role));
}

void makeKeyboardControl(QWidget* widget, const QString& name, std::function<void()> activate) {
    setAccessibleRole(widget, QAccessible::Button);
    widget->setAccessibleName(name);
    widget->setFocusPolicy(Qt::TabFocus);
    new KeyActivator(widget, std::move(activate));
    FocusRing::follow(widget);
}

void announceFocus(QWidget* widget) {
    if (!widget || !QAccessible::isActive())
        return;
    QAccessibleEvent event(widget, QAccessible::Focus);
    QAccessible::updateAccessibility(&event);
}

} // namespace ui

FocusRing::FocusRing(QWidget* target)
    : QWidget(target) {
    setObjectName(QStringLiteral("focusRing"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::NoFocus);
    hide();
    setTarget(target);
}

FocusRing* FocusRing::follow(QWidget* target, qreal cornerRadius) {
    auto* ring = new FocusRing(target);
    ring->m_following = true;
    ring->setCornerRadius(cornerRadius);
    ring->setVisible(target->hasFocus());
    return ring;
}

void FocusRing::setTarget(QWidget* target) {
    if (m_target)
        m_target->removeEventFilter(this);
    m_target = target;
    if (!target) {
        hide();
        return;
    }
    if (parentWidget() != target)
        setParent(target);
    target->installEventFilter(this);
    cover();
}

void FocusRing::setCornerRadius(qreal radius) {
    m_radius = radius;
    update();
}

void FocusRing::cover() {
    if (!m_target)
        return;
    setGeometry(m_target->rect());
    raise();
}

bool FocusRing::eventFilter(QObject* watched, QEvent* event) {
    if (watched != m_target)
        return false;
    switch (event->type()) {
    case QEvent::Resize:
        cover();
        break;
    case QEvent::ChildAdded:
        // Children added later would cover the ring.
        if (isVisible())
            raise();
        break;
    case QEvent::FocusIn:
        if (m_following) {
            cover();
            show();
        }
        break;
    case QEvent::FocusOut:
        if (m_following)
            hide();
        break;
    default:
        break;
    }
    return false;
}

void FocusRing::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(ui::accentColor(), 2));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), m_radius, m_radius);
}

} // namespace orvane
