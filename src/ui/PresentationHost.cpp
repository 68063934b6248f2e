#include "ui/PresentationHost.h"

#include <QEvent>
#include <QPropertyAnimation>

namespace orvane {

namespace {
constexpr int kSlideMs = 250;
}

PresentationHost::PresentationHost(QWidget* window, ViewController* controller)
    : QWidget(window)
    , m_controller(controller) {
    setObjectName(QStringLiteral("presentationHost"));
    setAttribute(Qt::WA_NoSystemBackground);
    hide();
    controller->setParent(this);
    controller->show(); // visible as soon as the host is
    if (window) {
        window->installEventFilter(this);
        setGeometry(window->rect());
    }
}

PresentationHost::~PresentationHost() {
    if (m_controller && m_controller->m_host == this)
        m_controller->m_host = nullptr;
}

bool PresentationHost::coversWindow() const {
    return m_complete && !isHidden() && m_controller &&
           m_controller->presentationStyle() == ViewController::PresentationStyle::FullWindow;
}

void PresentationHost::showPresented(bool animated, std::function<void()> done) {
    if (parentWidget())
        setGeometry(parentWidget()->rect());
    raise();
    show();
    if (animated && m_controller &&
        m_controller->presentationStyle() == ViewController::PresentationStyle::FullWindow) {
        slide(true, std::move(done));
        return;
    }
    m_complete = true;
    if (done)
        done();
}

void PresentationHost::hidePresented(bool animated, std::function<void()> done) {
    if (animated && m_controller && isVisible() &&
        m_controller->presentationStyle() == ViewController::PresentationStyle::FullWindow) {
        m_complete = false;
        slide(false, std::move(done));
        return;
    }
    m_complete = false;
    if (done)
        done();
}

void PresentationHost::slide(bool in, std::function<void()> done) {
    auto* animation = new QPropertyAnimation(m_controller.data(), "pos", this);
    animation->setDuration(kSlideMs);
    animation->setEasingCurve(QEasingCurve::OutCubic);
    const QPoint below(0, height());
    animation->setStartValue(in ? below : QPoint(0, 0));
    animation->setEndValue(in ? QPoint(0, 0) : below);
    connect(animation, &QPropertyAnimation::finished, this, [this, in, done = std::move(done)] {
        m_complete = in;
        if (done)
            done();
    });
    animation->start(QAbstractAnimation::DeleteWhenStopped);
}

bool PresentationHost::eventFilter(QObject* watched, QEvent* event) {
    if (watched == parentWidget() && event->type() == QEvent::Resize)
        setGeometry(parentWidget()->rect());
    return QWidget::eventFilter(watched, event);
}

void PresentationHost::resizeEvent(QResizeEvent*) {
    if (m_controller)
        m_controller->setGeometry(rect());
}

} // namespace orvane
