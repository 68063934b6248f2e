#include "ui/AlertController.h"

#include <algorithm>

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QVBoxLayout>

#include "core/Log.h"
#include "ui/Label.h"
#include "ui/TapGuard.h"
#include "ui/Theme.h"
#include "ui/Views.h"

namespace orvane {

namespace {

constexpr int kAlertWidth = 270;
constexpr int kSheetMaxWidth = 500;
constexpr int kMargin = 8;
constexpr int kSheetBottom = 24;
constexpr int kAlertButtonHeight = 44;
constexpr int kSheetButtonHeight = 56;
constexpr qreal kCardRadius = 14;

// The white rounded card; it keeps clicks on it from reaching the backdrop.
class Card final : public QWidget {
public:
    explicit Card(QWidget* parent)
        : QWidget(parent) {}

    // A card that rests on the window's bottom edge: only its top corners are rounded.
    void setBottomSheet(bool bottomSheet) {
        m_bottomSheet = bottomSheet;
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(250, 250, 250));
        const QRectF r = QRectF(rect()).adjusted(0, 0, 0, m_bottomSheet ? 2 * kCardRadius : 0);
        p.drawRoundedRect(r, kCardRadius, kCardRadius);
    }
    void mousePressEvent(QMouseEvent* e) override { e->accept(); }
    void mouseReleaseEvent(QMouseEvent* e) override { e->accept(); }

private:
    bool m_bottomSheet = false;
};

QWidget* hairline(Qt::Orientation orientation, QWidget* parent) {
    auto* line = new QWidget(parent);
    line->setAutoFillBackground(true);
    QPalette p = line->palette();
    p.setColor(QPalette::Window, ui::separatorColor());
    line->setPalette(p);
    if (orientation == Qt::Horizontal)
        line->setFixedHeight(1);
    else
        line->setFixedWidth(1);
    return line;
}

int heightFor(QWidget* w, int width) {
    QLayout* l = w->layout();
    if (l && l->hasHeightForWidth())
        return l->totalHeightForWidth(width);
    return w->sizeHint().height();
}

QList<QPointer<AlertController>>& shownAlerts() {
    static QList<QPointer<AlertController>> alerts;
    return alerts;
}

} // namespace

AlertAction::AlertAction(const QString& title, Style style, Handler handler)
    : m_title(title)
    , m_style(style)
    , m_handler(std::move(handler)) {}

AlertAction::AlertAction(const QString& title, Style style, std::function<void()> handler)
    : m_title(title)
    , m_style(style) {
    if (handler)
        m_handler = [handler = std::move(handler)](const AlertAction&) { handler(); };
}

AlertActionButton::AlertActionButton(const AlertAction& action, int height, QWidget* parent)
    : QAbstractButton(parent)
    , m_action(action)
    , m_height(height) {
    setObjectName(QStringLiteral("alertAction:") + action.title());
    setText(action.title());
    setEnabled(action.isEnabled());
    // Tab moves between the actions; the ticked one reads as checked.
    setFocusPolicy(Qt::TabFocus);
    setCheckable(action.isChecked());
    setChecked(action.isChecked());
    setFixedHeight(height);
    TapGuard::install(this);
    setFont(
        ui::font(m_height > kAlertButtonHeight ? ui::kTitleFontSize + 2 : ui::kTitleFontSize,
                 action.style() == AlertAction::Style::Cancel ? QFont::DemiBold : QFont::Normal));
}

QSize AlertActionButton::sizeHint() const {
    return {QFontMetrics(font()).horizontalAdvance(text()) + 32, m_height};
}

void AlertActionButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    if (isDown())
        p.fillRect(rect(), QColor(0, 0, 0, 20));
    QColor color = m_action.style() == AlertAction::Style::Destructive ? QColor(255, 59, 48)
                                                                       : ui::accentColor();
    if (!isEnabled())
        color = QColor(160, 160, 160);
    p.setPen(color);
    p.setFont(font());
    const QFontMetrics fm(font());
    const int tickSpace = m_action.isChecked() ? 36 : 8; // room for the tick only when shown
    const QRect textRect = rect().adjusted(tickSpace, 0, -tickSpace, 0);
    p.drawText(textRect, Qt::AlignCenter, fm.elidedText(text(), Qt::ElideRight, textRect.width()));
    if (m_action.isChecked()) {
        // A tick at the right edge, drawn so it needs no glyph of the font.
        const qreal cy = height() / 2.0;
        const qreal x = width() - 28;
        QPen pen(color, 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
        p.setPen(pen);
        const QPointF points[] = {{x, cy}, {x + 5, cy + 5}, {x + 14, cy - 6}};
        p.drawPolyline(points, 3);
    }
    if (hasFocus()) {
        p.setPen(QPen(ui::accentColor(), 2));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(QRectF(rect()).adjusted(3, 3, -3, -3), 8, 8);
    }
}

void AlertActionButton::keyPressEvent(QKeyEvent* event) {
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        !event->isAutoRepeat()) {
        event->accept();
        click();
        return;
    }
    QAbstractButton::keyPressEvent(event);
}

AlertController::AlertController(const QString& title, const QString& message, Style style,
                                 QWidget* parent)
    : ViewController(parent)
    , m_message(message)
    , m_style(style) {
    setTitle(title);
    setObjectName(QStringLiteral("alertController"));
    setPresentationStyle(PresentationStyle::Sheet);
    setAutoFillBackground(false);
    setAttribute(Qt::WA_TranslucentBackground);
}

void AlertController::addAction(const AlertAction& action) {
    m_actions.append(action);
    if (isViewLoaded())
        build();
}

void AlertController::setContentViewController(ViewController* controller) {
    if (m_content && m_content != controller)
        m_content->deleteLater();
    m_content = controller;
    if (controller) {
        controller->setParent(this);
        connect(controller, &ViewController::preferredContentSizeChanged, this,
                &AlertController::layoutCards, Qt::UniqueConnection);
    }
    if (isViewLoaded())
        build();
}

void AlertController::viewDidLoad() {
    build();
}

void AlertController::build() {
    if (m_content)
        m_content->setParent(this); // survives the old card
    delete m_card;
    delete m_cancelCard;
    m_cancelCard = nullptr;
    const bool sheet = m_style == Style::ActionSheet;
    const int buttonHeight = sheet ? kSheetButtonHeight : kAlertButtonHeight;

    m_card = new Card(this);
    m_card->setObjectName(QStringLiteral("alertCard"));
    auto* column = new QVBoxLayout(m_card);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    if (!title().isEmpty() || !m_message.isEmpty()) {
        auto* header = new QVBoxLayout;
        header->setContentsMargins(16, sheet ? 14 : 18, 16, sheet ? 14 : 16);
        header->setSpacing(4);
        if (!title().isEmpty()) {
            auto* t = new Label(title(), m_card);
            t->setObjectName(QStringLiteral("alertTitle"));
            t->setAlignment(Qt::AlignCenter);
            t->setFont(ui::font(sheet ? ui::kSmallFontSize + 1 : ui::kTitleFontSize,
                                sheet ? QFont::DemiBold : QFont::Bold));
            if (sheet)
                t->setTextColor(ui::secondaryTextColor());
            header->addWidget(t);
        }
        if (!m_message.isEmpty()) {
            auto* m = new Label(m_message, m_card);
            m->setObjectName(QStringLiteral("alertMessage"));
            m->setAlignment(Qt::AlignCenter);
            m->setFont(ui::font(sheet ? ui::kSmallFontSize + 1 : ui::kBodyFontSize - 1));
            if (sheet)
                m->setTextColor(ui::secondaryTextColor());
            header->addWidget(m);
        }
        column->addLayout(header);
    }
    if (m_content) {
        m_content->setParent(m_card);
        m_content->setAutoFillBackground(false); // the card paints the rounded background
        m_content->show();
        column->addWidget(m_content);
    }

    QList<AlertAction> main;
    QList<AlertAction> cancels;
    for (const AlertAction& a : std::as_const(m_actions))
        (sheet && a.style() == AlertAction::Style::Cancel ? cancels : main).append(a);

    auto addButton = [this, buttonHeight](const AlertAction& action, QWidget* parent) {
        auto* b = new AlertActionButton(action, buttonHeight, parent);
        connect(b, &QAbstractButton::clicked, this, [this, action] { actionTapped(action); });
        return b;
    };
    const bool sideBySide = !sheet && main.size() == 2;
    m_actionScroll = nullptr;
    if (sideBySide) {
        column->addWidget(hairline(Qt::Horizontal, m_card));
        auto* row = new QHBoxLayout;
        row->setSpacing(0);
        row->addWidget(addButton(main[0], m_card), 1);
        row->addWidget(hairline(Qt::Vertical, m_card));
        row->addWidget(addButton(main[1], m_card), 1);
        column->addLayout(row);
    } else if (!main.isEmpty()) {
        // The actions scroll inside the card when they do not all fit (a long list of choices);
        // the title stays above them.
        m_actionScroll = new ScrollView(m_card);
        m_actionScroll->setObjectName(QStringLiteral("alertActions"));
        auto* list = new QWidget;
        auto* actions = new QVBoxLayout(list);
        actions->setContentsMargins(0, 0, 0, 0);
        actions->setSpacing(0);
        const bool ruleAbove = column->count() > 0;
        for (qsizetype i = 0; i < main.size(); ++i) {
            if (i > 0 || ruleAbove)
                actions->addWidget(hairline(Qt::Horizontal, list));
            actions->addWidget(addButton(main[i], list));
        }
        m_actionScroll->setContentView(list);
        column->addWidget(m_actionScroll);
    }
    if (column->count() == 0)
        m_card->hide();

    if (!cancels.isEmpty()) {
        m_cancelCard = new Card(this);
        m_cancelCard->setObjectName(QStringLiteral("alertCancelCard"));
        auto* c = new QVBoxLayout(m_cancelCard);
        c->setContentsMargins(0, 0, 0, 0);
        c->setSpacing(0);
        for (int i = 0; i < cancels.size(); ++i) {
            if (i > 0)
                c->addWidget(hairline(Qt::Horizontal, m_cancelCard));
            c->addWidget(addButton(cancels[i], m_cancelCard));
        }
        m_cancelCard->show();
    }
    layoutCards();
}

void AlertController::layoutCards() {
    if (!m_card)
        return;
    const bool sheet = m_style == Style::ActionSheet;
    // A sheet that only shows content (no actions) rests on the bottom edge, full width.
    const bool bottomSheet = sheet && m_content && m_actions.isEmpty();
    static_cast<Card*>(m_card)->setBottomSheet(bottomSheet);
    const int cardWidth = bottomSheet ? width()
                          : sheet     ? std::min(width() - 2 * kMargin, kSheetMaxWidth)
                                      : kAlertWidth;
    if (m_content) {
        const QSize preferred = m_content->preferredContentSize();
        const int h = preferred.height() > 0 ? preferred.height() : m_content->sizeHint().height();
        m_content->setFixedHeight(std::max(0, h));
    }
    const int left = (width() - cardWidth) / 2;
    int bottom = bottomSheet ? height() : height() - kSheetBottom;
    if (m_cancelCard) {
        const int h = heightFor(m_cancelCard, cardWidth);
        m_cancelCard->setGeometry(left, bottom - h, cardWidth, h);
        bottom -= h + kMargin;
    }
    const int available = std::max((sheet ? bottom : height()) - 2 * kMargin - 40, 0);
    int h = 0;
    if (m_actionScroll) {
        // All the actions when they fit, otherwise as many as the room leaves (the rest scroll).
        const int actions = heightFor(m_actionScroll->contentView(), cardWidth);
        m_actionScroll->setFixedHeight(0);
        m_card->layout()->invalidate();
        const int others = heightFor(m_card, cardWidth);
        const int shown = std::clamp(available - others, 0, actions);
        m_actionScroll->setFixedHeight(shown);
        h = std::min(others + shown, available);
    } else {
        h = std::min(heightFor(m_card, cardWidth), available);
    }
    const int top = sheet ? bottom - h : (height() - h) / 2;
    m_card->setGeometry(left, top, cardWidth, h);
}

QList<AlertActionButton*> AlertController::actionButtons() const {
    QList<AlertActionButton*> buttons;
    for (QWidget* card : {m_card, m_cancelCard}) {
        if (!card)
            continue;
        auto found = card->findChildren<AlertActionButton*>();
        std::sort(found.begin(), found.end(), [](QWidget* a, QWidget* b) {
            return a->y() != b->y() ? a->y() < b->y() : a->x() < b->x();
        });
        buttons.append(found);
    }
    return buttons;
}

AlertActionButton* AlertController::actionButton(const QString& title) const {
    const auto buttons = actionButtons();
    for (AlertActionButton* b : buttons) {
        if (b->action().title() == title)
            return b;
    }
    return nullptr;
}

bool AlertController::tapAction(const QString& title) {
    AlertActionButton* b = actionButton(title);
    if (!b) {
        Log::error("AlertController tapAction: no action titled", title);
        return false;
    }
    b->click();
    return true;
}

AlertController* AlertController::choiceSheet(const QString& title, const QStringList& choices,
                                              const QString& current,
                                              const AlertAction::Handler& chosen,
                                              const QString& cancelTitle) {
    auto* sheet = new AlertController(title, QString(), Style::ActionSheet);
    for (const QString& choice : choices) {
        AlertAction action(choice, AlertAction::Style::Default, chosen);
        action.setChecked(choice == current);
        sheet->addAction(action);
    }
    sheet->addAction(AlertAction(cancelTitle, AlertAction::Style::Cancel));
    return sheet;
}

AlertController* AlertController::visibleAlert() {
    auto& alerts = shownAlerts();
    alerts.removeAll(nullptr);
    return alerts.isEmpty() ? nullptr : alerts.last().data();
}

void AlertController::actionTapped(const AlertAction& action) {
    if (m_handled)
        return;
    m_handled = true;
    // The alert is gone before the handler runs, so the handler may present the next one. What
    // was queued behind the alert waits for the handler: it may close the screen, which drops it.
    QPointer<ViewController> presenter = presentingViewController();
    if (presenter)
        presenter->holdPresentations();
    dismiss(false);
    if (action.handler())
        action.handler()(action);
    if (presenter)
        presenter->releasePresentations();
}

bool AlertController::escape() {
    if (m_handled)
        return true;
    for (const AlertAction& action : std::as_const(m_actions)) {
        if (action.style() == AlertAction::Style::Cancel && action.isEnabled()) {
            actionTapped(action);
            return true;
        }
    }
    if (m_actions.size() == 1 && m_actions.first().isEnabled()) {
        actionTapped(m_actions.first());
        return true;
    }
    m_handled = true;
    dismiss(false);
    return true;
}

void AlertController::viewDidAppear(bool) {
    shownAlerts().append(this);
    // A long list opens at the current choice.
    if (m_actionScroll) {
        for (AlertActionButton* button : m_actionScroll->findChildren<AlertActionButton*>()) {
            if (button->showsCheckMark())
                m_actionScroll->ensureWidgetVisible(button, 0, kSheetButtonHeight);
        }
    }
}

void AlertController::viewDidDisappear(bool) {
    shownAlerts().removeAll(this);
}

bool AlertController::onBackdrop(const QPoint& pos) const {
    for (QWidget* card : {m_card, m_cancelCard}) {
        if (card && card->isVisible() && card->geometry().contains(pos))
            return false;
    }
    return rect().contains(pos);
}

void AlertController::paintEvent(QPaintEvent*) {
    QPainter(this).fillRect(rect(), ui::dimColor());
}

void AlertController::mousePressEvent(QMouseEvent* event) {
    m_pressOnBackdrop =
        event->button() == Qt::LeftButton && onBackdrop(event->position().toPoint());
    event->accept();
}

void AlertController::mouseReleaseEvent(QMouseEvent* event) {
    const bool tapped = m_pressOnBackdrop && event->button() == Qt::LeftButton &&
                        onBackdrop(event->position().toPoint());
    m_pressOnBackdrop = false;
    event->accept();
    if (!tapped)
        return;
    QPointer<AlertController> self(this);
    Q_EMIT backdropTapped();
    if (self && m_dismissOnTapOutside && !m_handled) {
        m_handled = true;
        dismiss(false);
    }
}

void AlertController::resizeEvent(QResizeEvent* event) {
    ViewController::resizeEvent(event);
    layoutCards();
}

} // namespace orvane
