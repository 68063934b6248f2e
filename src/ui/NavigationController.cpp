#include "ui/NavigationController.h"

#include <QApplication>
#include <QPainter>
#include <QPropertyAnimation>
#include <QStackedLayout>
#include <QVBoxLayout>

#include "core/Localized.h"
#include "core/Log.h"
#include "ui/Button.h"
#include "ui/Label.h"
#include "ui/Theme.h"

namespace orvane {

namespace {
constexpr int kSideMargin = 8;
constexpr int kGap = 4; // between the title and the side controls
constexpr int kSlideMs = 250;
} // namespace

NavigationBar::NavigationBar(QWidget* parent)
    : QWidget(parent)
    , m_title(new Label(this))
    , m_back(new Button(this)) {
    setObjectName(QStringLiteral("navigationBar"));
    setFixedHeight(kHeight);
    m_title->setObjectName(QStringLiteral("navigationTitle"));
    m_title->setWordWrap(false);
    m_title->setAlignment(Qt::AlignCenter);
    m_title->setFont(ui::font(ui::kTitleFontSize, QFont::DemiBold));
    m_back->setObjectName(QStringLiteral("navigationBackButton"));
    m_back->setFontSize(ui::kTitleFontSize, QFont::Normal);
    m_back->setContentPadding({4, 0, 8, 0});
    m_back->hide();
}

QString NavigationBar::title() const {
    return m_titleText;
}

void NavigationBar::configure(const QString& title, bool showBack, const QString& backTitle,
                              QWidget* left, QWidget* right) {
    m_titleText = title;
    m_backText = backTitle;
    if (m_left && m_left != left)
        m_left->hide();
    if (m_right && m_right != right)
        m_right->hide();
    m_left = left;
    m_right = right;
    for (QWidget* side : {left, right}) {
        if (side) {
            side->setParent(this);
            side->show();
        }
    }
    m_back->setVisible(showBack && !left);
    layoutItems();
}

void NavigationBar::resizeEvent(QResizeEvent*) {
    layoutItems();
}

void NavigationBar::layoutItems() {
    auto place = [](QWidget* w, int x, int maxWidth) {
        const QSize s = w->sizeHint().boundedTo(QSize(maxWidth, kHeight));
        w->setGeometry(x, (kHeight - s.height()) / 2, s.width(), s.height());
        return s.width();
    };
    int leftEdge = kSideMargin;
    int rightEdge = width() - kSideMargin;
    if (m_left)
        leftEdge += place(m_left, leftEdge, width() / 3);
    if (m_right) {
        const int w = m_right->sizeHint().boundedTo(QSize(width() / 3, kHeight)).width();
        rightEdge -= place(m_right, rightEdge - w, width() / 3);
    }
    const QFontMetrics titleMetrics(m_title->font());
    const int titleWidth =
        m_titleText.isEmpty() ? 0 : titleMetrics.horizontalAdvance(m_titleText) + 2;

    // The back button gets what the whole title leaves, and at least a third of the bar; a
    // longer back title is elided.
    const QString arrow = QStringLiteral("‹ ");
    m_back->setTitle(arrow + m_backText);
    if (m_back->isVisibleTo(this)) {
        const int room = std::max(width() / 3, rightEdge - leftEdge - titleWidth - 2 * kGap);
        const int overflow = m_back->sizeHint().width() - room;
        if (overflow > 0) {
            const QFontMetrics metrics(m_back->font());
            const int textRoom = metrics.horizontalAdvance(m_backText) - overflow;
            m_back->setTitle(arrow + metrics.elidedText(m_backText, Qt::ElideRight, textRoom));
        }
        leftEdge += place(m_back, leftEdge, room);
    }

    // Centred on the bar when it fits there; otherwise centred between the side controls, and
    // elided when it does not fit even there.
    const int left = leftEdge + kGap;
    const int right = rightEdge - kGap;
    const int centredLeft = (width() - titleWidth) / 2;
    QRect area(left, 0, std::max(0, right - left), kHeight);
    if (centredLeft >= left && centredLeft + titleWidth <= right)
        area = QRect(centredLeft, 0, titleWidth, kHeight);
    m_title->setPlainText(titleWidth <= area.width()
                              ? m_titleText
                              : titleMetrics.elidedText(m_titleText, Qt::ElideRight, area.width()));
    m_title->setGeometry(area);
}

void NavigationBar::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), QColor(249, 249, 249));
    p.fillRect(QRect(0, height() - 1, width(), 1), ui::separatorColor());
}

NavigationController::NavigationController(ViewController* root, QWidget* parent)
    : ViewController(parent)
    , m_bar(new NavigationBar(this))
    , m_content(new QWidget(this))
    , m_stackLayout(new QStackedLayout(m_content)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_bar);
    layout->addWidget(m_content, 1);
    connect(m_bar->backButton(), &QAbstractButton::clicked, this,
            [this] { popViewController(true); });
    if (root)
        setRootViewController(root);
    else
        updateBar();
}

NavigationController::~NavigationController() {
    // The stack dies with the widget tree after this; its signals must not reach a half-destroyed
    // controller.
    for (const auto& vc : std::as_const(m_stack))
        untrack(vc);
}

void NavigationController::setRootViewController(ViewController* root) {
    if (!root) {
        Log::error("NavigationController: no root controller");
        return;
    }
    AppearanceBatch batch;
    for (const auto& vc : std::as_const(m_stack)) {
        if (vc) {
            untrack(vc);
            m_stackLayout->removeWidget(vc);
            vc->hide();
            vc->deleteLater();
        }
    }
    m_stack.clear();
    pushViewController(root, false);
}

void NavigationController::pushViewController(ViewController* controller, bool animated) {
    if (!controller || controller->parentViewController() ||
        controller->presentingViewController()) {
        Log::error(
            "NavigationController push: refused, the controller is missing or already shown");
        return;
    }
    // A stack not on screen yet loads its controllers when it is shown, as they appear; a root
    // given before that has not loaded (and fetches nothing) until then.
    if (isVisible())
        controller->loadViewIfNeeded();
    animated = animated && animationsEnabled() && isVisible();
    {
        AppearanceBatch batch(animated);
        m_stack.append(controller);
        track(controller);
        m_stackLayout->addWidget(controller);
        m_stackLayout->setCurrentWidget(controller);
        updateBar();
    }
    keepFocus();
    if (animated)
        slideIn(controller, true);
}

// A screen that goes takes the focus of a keyboard user with it: the stack keeps it, so Tab goes
// on from the bar of the new top screen and Escape still reaches the stack.
void NavigationController::keepFocus() {
    QWidget* focus = window()->focusWidget();
    if (isVisible() && (!focus || focus == this || isAncestorOf(focus)))
        setFocus(Qt::OtherFocusReason);
}

bool NavigationController::escape() {
    if (m_stack.size() > 1)
        return popViewController(true);
    ViewController* root = rootViewController();
    return root && root->escape();
}

bool NavigationController::popViewController(bool animated) {
    if (m_stack.size() <= 1) {
        Log::info("NavigationController pop: only the root is left");
        return false;
    }
    QPointer<ViewController> top(m_stack.takeLast());
    animated = animated && animationsEnabled() && isVisible();
    {
        AppearanceBatch batch(animated);
        if (top) {
            untrack(top);
            if (top->presentedViewController())
                top->dismiss(false);
            m_stackLayout->removeWidget(top);
            top->hide();
        }
        if (ViewController* next = topViewController())
            m_stackLayout->setCurrentWidget(next);
        updateBar();
    }
    keepFocus();
    if (top)
        top->deleteLater();
    if (animated && topViewController())
        slideIn(topViewController(), false);
    return true;
}

int NavigationController::popToRootViewController(bool animated) {
    int popped = 0;
    AppearanceBatch batch(animated);
    while (m_stack.size() > 1 && popViewController(animated && popped == 0))
        ++popped;
    return popped;
}

QList<ViewController*> NavigationController::viewControllers() const {
    return m_stack;
}

ViewController* NavigationController::topViewController() const {
    return m_stack.isEmpty() ? nullptr : m_stack.last();
}

ViewController* NavigationController::rootViewController() const {
    return m_stack.isEmpty() ? nullptr : m_stack.first();
}

void NavigationController::setNavigationBarHidden(bool hidden) {
    m_bar->setHidden(hidden);
}

QString NavigationController::backTitleFor(ViewController* controller) {
    if (!controller)
        return localized(QStringLiteral("ov_back"));
    if (!controller->navigationItem().backButtonTitle().isEmpty())
        return controller->navigationItem().backButtonTitle();
    if (!controller->navigationItem().title().isEmpty())
        return controller->navigationItem().title();
    if (!controller->title().isEmpty())
        return controller->title();
    return localized(QStringLiteral("ov_back"));
}

void NavigationController::updateBar() {
    const QList<ViewController*> stack = viewControllers();
    ViewController* top = stack.isEmpty() ? nullptr : stack.last();
    if (!top) {
        m_bar->configure({}, false, {}, nullptr, nullptr);
        return;
    }
    const QString title =
        top->navigationItem().title().isEmpty() ? top->title() : top->navigationItem().title();
    ViewController* below = stack.size() > 1 ? stack.at(stack.size() - 2) : nullptr;
    QWidget* left = top->navigationItem().leftWidget();
    QWidget* right = top->navigationItem().rightWidget();
    m_bar->configure(title, below != nullptr, backTitleFor(below), left, right);
    // The bar's controls come first in the Tab order, before the screen's own, as they are read.
    QWidget* previous = this;
    for (QWidget* control : {static_cast<QWidget*>(m_bar->backButton()), left, right}) {
        if (control) {
            QWidget::setTabOrder(previous, control);
            previous = control;
        }
    }
}

void NavigationController::track(ViewController* controller) {
    connect(&controller->navigationItem(), &NavigationItem::changed, this,
            &NavigationController::updateBar, Qt::UniqueConnection);
    connect(controller, &ViewController::titleChanged, this, &NavigationController::updateBar,
            Qt::UniqueConnection);
    // Deleted while on the stack: QWidget announces it before guards clear, so match the object.
    // The stacked layout shows the next controller by itself.
    connect(controller, &QObject::destroyed, this, [this](QObject* gone) {
        m_stack.removeIf([gone](ViewController* vc) { return static_cast<QObject*>(vc) == gone; });
        updateBar();
    });
}

void NavigationController::untrack(ViewController* controller) {
    if (!controller)
        return;
    disconnect(controller, nullptr, this, nullptr);
    disconnect(&controller->navigationItem(), nullptr, this, nullptr);
}

void NavigationController::slideIn(ViewController* controller, bool fromRight) {
    auto* animation = new QPropertyAnimation(controller, "pos", controller);
    animation->setDuration(kSlideMs);
    animation->setEasingCurve(QEasingCurve::OutCubic);
    const int w = m_content->width();
    animation->setStartValue(QPoint(fromRight ? w : -w / 3, 0));
    animation->setEndValue(QPoint(0, 0));
    animation->start(QAbstractAnimation::DeleteWhenStopped);
}

} // namespace orvane
