#include "ui/Views.h"

#include <cmath>

#include <QEvent>
#include <QPainter>
#include <QVariantAnimation>

#include "ui/KineticScroll.h"
#include "ui/Theme.h"

namespace orvane {

StackView::StackView(Qt::Orientation orientation, QWidget* parent)
    : QWidget(parent)
    , m_layout(new QBoxLayout(orientation == Qt::Horizontal ? QBoxLayout::LeftToRight
                                                            : QBoxLayout::TopToBottom,
                              this)) {
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_layout->setSpacing(8);
    m_layout->addStretch(1); // arranged views pack at the start
}

void StackView::addArrangedSubview(QWidget* view) {
    insertArrangedSubview(view, static_cast<int>(arrangedSubviews().size()));
}

void StackView::insertArrangedSubview(QWidget* view, int index) {
    if (!view)
        return;
    m_layout->insertWidget(std::clamp(index, 0, m_layout->count() - 1), view);
    view->show();
}

void StackView::removeArrangedSubview(QWidget* view) {
    if (!view || m_layout->indexOf(view) < 0)
        return;
    m_layout->removeWidget(view);
    view->hide();
    view->setParent(nullptr);
}

QList<QWidget*> StackView::arrangedSubviews() const {
    QList<QWidget*> views;
    for (int i = 0; i < m_layout->count(); ++i) {
        if (QWidget* w = m_layout->itemAt(i)->widget())
            views.append(w);
    }
    return views;
}

void StackView::setSpacing(int spacing) {
    m_layout->setSpacing(spacing);
}

int StackView::spacing() const {
    return m_layout->spacing();
}

ScrollView::ScrollView(QWidget* parent)
    : QScrollArea(parent)
    , m_container(new QWidget)
    , m_containerLayout(new QVBoxLayout(m_container)) {
    setFrameShape(QFrame::NoFrame);
    setWidgetResizable(true);
    enableDragScrolling(this);
    m_containerLayout->setContentsMargins(0, 0, 0, 0);
    m_containerLayout->setSpacing(0);
    m_container->setAutoFillBackground(false);
    setWidget(m_container);
    viewport()->setAutoFillBackground(false);
}

ScrollView::~ScrollView() {
    disableDragScrolling(this);
}

void ScrollView::setContentView(QWidget* content) {
    if (m_content && m_content != content)
        m_content->deleteLater();
    m_content = content;
    if (content) {
        m_containerLayout->addWidget(content);
        content->show();
    }
}

void ScrollView::setContentInsets(const QMargins& insets) {
    m_containerLayout->setContentsMargins(insets);
}

QMargins ScrollView::contentInsets() const {
    return m_containerLayout->contentsMargins();
}

void ScrollView::setBottomContentInset(int bottom) {
    QMargins m = contentInsets();
    m.setBottom(bottom);
    setContentInsets(m);
}

ActivityOverlay* ActivityOverlay::on(QWidget* target) {
    if (!target)
        return nullptr;
    if (auto* existing = target->findChild<ActivityOverlay*>(QString(), Qt::FindDirectChildrenOnly))
        return existing;
    return new ActivityOverlay(target);
}

ActivityOverlay::ActivityOverlay(QWidget* target)
    : QWidget(target)
    , m_spin(new QVariantAnimation(this)) {
    setObjectName(QStringLiteral("activityOverlay"));
    m_spin->setStartValue(0.0);
    m_spin->setEndValue(360.0);
    m_spin->setDuration(900);
    m_spin->setLoopCount(-1);
    connect(m_spin, &QVariantAnimation::valueChanged, this, [this](const QVariant& v) {
        m_angle = v.toReal();
        update();
    });
    target->installEventFilter(this);
    hide();
}

void ActivityOverlay::start() {
    setGeometry(parentWidget()->rect());
    raise();
    show();
    m_spin->start();
}

void ActivityOverlay::stop() {
    m_spin->stop();
    hide();
}

bool ActivityOverlay::isAnimating() const {
    return m_spin->state() == QAbstractAnimation::Running;
}

bool ActivityOverlay::eventFilter(QObject* watched, QEvent* event) {
    if (watched == parentWidget() && event->type() == QEvent::Resize)
        setGeometry(parentWidget()->rect());
    else if (watched == parentWidget() && event->type() == QEvent::ChildAdded && isVisible())
        raise();
    return false;
}

void ActivityOverlay::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(rect(), ui::dimColor());
    const QPointF c = QRectF(rect()).center();
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(40, 40, 40, 200));
    p.drawRoundedRect(QRectF(c.x() - 40, c.y() - 40, 80, 80), 12, 12);
    // Twelve spokes fading behind the leading one.
    const int lead = static_cast<int>(m_angle / 30.0) % 12;
    for (int i = 0; i < 12; ++i) {
        const int age = (lead - i + 12) % 12;
        QColor color(Qt::white);
        color.setAlphaF(1.0 - age / 13.0);
        p.setPen(QPen(color, 3, Qt::SolidLine, Qt::RoundCap));
        const qreal a = i * M_PI / 6;
        p.drawLine(QPointF(c.x() + 10 * std::sin(a), c.y() - 10 * std::cos(a)),
                   QPointF(c.x() + 18 * std::sin(a), c.y() - 18 * std::cos(a)));
    }
}

TextField::TextField(QWidget* parent)
    : QLineEdit(parent) {
    setFont(ui::font(ui::kBodyFontSize));
    setMinimumHeight(36);
    // The accent border marks the field with the keyboard focus.
    setStyleSheet(QStringLiteral("QLineEdit { border: 1px solid #E3E3E3; border-radius: 6px;"
                                 " padding: 0 8px; background: white; }"
                                 " QLineEdit:focus { border: 2px solid %1; padding: 0 7px; }")
                      .arg(ui::accentColor().name()));
}

TextView::TextView(QWidget* parent)
    : QPlainTextEdit(parent) {
    setFont(ui::font(ui::kBodyFontSize));
    setStyleSheet(QStringLiteral("QPlainTextEdit { border: 1px solid #E3E3E3; border-radius: 6px;"
                                 " padding: 4px; background: white; }"
                                 " QPlainTextEdit:focus { border: 2px solid %1; padding: 3px; }")
                      .arg(ui::accentColor().name()));
    // Tab moves on to the next control; the text itself holds no tabs.
    setTabChangesFocus(true);
}

void TextView::setTextColor(const QColor& color) {
    QPalette p = palette();
    p.setColor(QPalette::Text, color);
    setPalette(p);
}

QColor TextView::textColor() const {
    return palette().color(QPalette::Text);
}

void TextView::focusInEvent(QFocusEvent* event) {
    QPlainTextEdit::focusInEvent(event);
    Q_EMIT didBeginEditing();
    if (m_begin)
        m_begin(*this);
}

void TextView::focusOutEvent(QFocusEvent* event) {
    QPlainTextEdit::focusOutEvent(event);
    Q_EMIT didEndEditing();
    if (m_end)
        m_end(*this);
}

LayoutConstraint LayoutConstraint::height(QWidget* widget) {
    QPointer<QWidget> w(widget);
    return custom(
        [w](qreal c) {
            if (w)
                w->setFixedHeight(qRound(c));
        },
        widget ? widget->height() : 0);
}

LayoutConstraint LayoutConstraint::width(QWidget* widget) {
    QPointer<QWidget> w(widget);
    return custom(
        [w](qreal c) {
            if (w)
                w->setFixedWidth(qRound(c));
        },
        widget ? widget->width() : 0);
}

LayoutConstraint LayoutConstraint::spacing(QBoxLayout* layout) {
    QPointer<QBoxLayout> l(layout);
    return custom(
        [l](qreal c) {
            if (l)
                l->setSpacing(qRound(c));
        },
        layout ? layout->spacing() : 0);
}

LayoutConstraint LayoutConstraint::spacer(QBoxLayout* layout, QSpacerItem* spacer) {
    QPointer<QBoxLayout> l(layout);
    const bool horizontal = layout && (layout->direction() == QBoxLayout::LeftToRight ||
                                       layout->direction() == QBoxLayout::RightToLeft);
    return custom(
        [l, spacer, horizontal](qreal c) {
            if (!l || l->indexOf(spacer) < 0)
                return; // the spacer belongs to the layout; checked so a stale one is never touched
            const int v = qRound(c);
            if (horizontal)
                spacer->changeSize(v, 0, QSizePolicy::Fixed, QSizePolicy::Minimum);
            else
                spacer->changeSize(0, v, QSizePolicy::Minimum, QSizePolicy::Fixed);
            l->invalidate();
        },
        spacer ? (horizontal ? spacer->sizeHint().width() : spacer->sizeHint().height()) : 0);
}

LayoutConstraint LayoutConstraint::custom(std::function<void(qreal)> apply, qreal initial) {
    LayoutConstraint c;
    c.m_apply = std::move(apply);
    c.m_constant = initial;
    return c;
}

void LayoutConstraint::setConstant(qreal constant) {
    m_constant = constant;
    if (m_apply)
        m_apply(constant);
}

} // namespace orvane
