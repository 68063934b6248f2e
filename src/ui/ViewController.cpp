#include "ui/ViewController.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QShowEvent>

#include "core/Log.h"
#include "ui/NavigationController.h"
#include "ui/PresentationHost.h"
#include "ui/Storyboard.h"
#include "ui/Theme.h"

namespace orvane {

namespace {

// Every live controller, in creation order, so that appearance changes can be settled for all of
// them at once (including controllers that just left the widget tree).
QList<ViewController*>& liveControllers() {
    static QList<ViewController*> all;
    return all;
}

int g_batchDepth = 0;
bool g_batchAnimated = false;
bool g_refreshing = false;
bool g_refreshAgain = false;
int g_animations = -1; // -1: decided by the platform

QString describe(const ViewController* vc) {
    if (!vc)
        return QStringLiteral("nullptr");
    const QString name = QString::fromUtf8(vc->metaObject()->className());
    return vc->title().isEmpty() ? name : name + QStringLiteral(" \"") + vc->title() + u'"';
}

} // namespace

NavigationItem::NavigationItem(QObject* parent)
    : QObject(parent) {}

void NavigationItem::setTitle(const QString& title) {
    m_title = title;
    Q_EMIT changed();
}

void NavigationItem::setBackButtonTitle(const QString& title) {
    m_backButtonTitle = title;
    Q_EMIT changed();
}

void NavigationItem::setLeftWidget(QWidget* widget) {
    m_left = widget;
    Q_EMIT changed();
}

void NavigationItem::setRightWidget(QWidget* widget) {
    m_right = widget;
    Q_EMIT changed();
}

ViewController::ViewController(QWidget* parent)
    : QWidget(parent)
    , m_navigationItem(this) {
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, Qt::white);
    setPalette(p);
    liveControllers().append(this);
}

ViewController::~ViewController() {
    liveControllers().removeOne(this);
    for (const Pending& pending : std::as_const(m_pending)) {
        if (pending.controller) {
            Log::error("ViewController: presenter destroyed, dropping queued",
                       describe(pending.controller));
            delete pending.controller.data();
        }
    }
    m_pending.clear();
    if (m_presented && m_presented->m_host)
        delete m_presented->m_host.data(); // takes the presented controller with it
    delete m_navigationItem.leftWidget();
    delete m_navigationItem.rightWidget();
    if (ViewController* presenter = m_presenting) {
        // Deleted while presented (not through dismiss): the presenter is uncovered and may go on
        // with its queue. The host goes too, unless it is what is deleting us.
        presenter->m_presented = nullptr;
        if (m_host) {
            m_host->hide();
            m_host->deleteLater();
        }
        QMetaObject::invokeMethod(
            presenter,
            [presenter] {
                refreshAppearances(false);
                presenter->presentNextPending();
            },
            Qt::QueuedConnection);
    }
}

void ViewController::loadViewIfNeeded() {
    if (m_loaded)
        return;
    m_loaded = true;
    viewDidLoad();
}

void ViewController::setTitle(const QString& title) {
    if (m_title == title)
        return;
    m_title = title;
    Q_EMIT titleChanged(title);
}

NavigationController* ViewController::navigationController() const {
    for (ViewController* vc = parentViewController(); vc; vc = vc->parentViewController()) {
        if (auto* nav = qobject_cast<NavigationController*>(vc))
            return nav;
    }
    return nullptr;
}

ViewController* ViewController::parentViewController() const {
    if (m_presenting)
        return nullptr;
    for (QWidget* w = parentWidget(); w; w = w->parentWidget()) {
        if (qobject_cast<PresentationHost*>(w))
            return nullptr;
        if (auto* vc = qobject_cast<ViewController*>(w))
            return vc;
    }
    return nullptr;
}

void ViewController::present(ViewController* controller, bool animated, Completion completion) {
    if (!controller) {
        Log::error("ViewController present: no controller to present on", describe(this));
        return;
    }
    if (controller == this || controller->m_presenting || controller->parentViewController()) {
        Log::error("ViewController present: refused,", describe(controller),
                   "is already shown elsewhere");
        return;
    }
    if (isLeaving()) {
        Log::info("ViewController present: dropping", describe(controller), "asked of the leaving",
                  describe(this));
        delete controller;
        return;
    }
    if (m_presented || m_holds > 0) {
        // One presentation at a time per presenter: the next waits for the current to close.
        Log::info("ViewController present: queued", describe(controller), "while",
                  describe(m_presented), "is up");
        controller->setParent(this);
        controller->hide();
        m_pending.append({controller, animated, std::move(completion)});
        return;
    }
    controller->loadViewIfNeeded();
    m_presented = controller;
    controller->m_presenting = this;
    animated = animated && animationsEnabled();
    AppearanceBatch batch(animated);
    auto* host = new PresentationHost(window(), controller);
    controller->m_host = host;
    QPointer<ViewController> self(this);
    host->showPresented(animated, [self, animated, completion = std::move(completion)] {
        if (animated)
            refreshAppearances(true);
        if (completion)
            completion();
    });
}

void ViewController::present(const QPointer<ViewController>& presenter, ViewController* controller,
                             bool animated, Completion completion) {
    if (!presenter) {
        Log::error("ViewController present: presenting controller is gone, dropping",
                   describe(controller));
        delete controller;
        return;
    }
    presenter->present(controller, animated, std::move(completion));
}

void ViewController::dismiss(bool animated, Completion completion) {
    ViewController* presenter = m_presented ? this : m_presenting.data();
    if (!presenter || !presenter->m_presented) {
        Log::info("ViewController dismiss: nothing presented by", describe(this));
        if (completion)
            completion();
        return;
    }
    ViewController* vc = presenter->m_presented;
    if (vc->m_presented)
        vc->dismiss(false); // whatever it presents goes first
    vc->leave("dismissed");
    animated = animated && animationsEnabled();
    QPointer<ViewController> self(presenter);
    vc->m_host->hidePresented(animated, [self, completion = std::move(completion)] {
        if (self)
            self->finishDismissal(completion);
        else if (completion)
            completion();
    });
}

void ViewController::finishDismissal(Completion completion) {
    QPointer<ViewController> vc = m_presented;
    if (vc) {
        AppearanceBatch batch;
        QPointer<PresentationHost> host = vc->m_host;
        m_presented = nullptr;
        vc->m_presenting = nullptr;
        vc->m_host = nullptr;
        if (host) {
            host->hide();
            host->deleteLater();
        }
    }
    presentNextPending();
    if (completion)
        completion();
}

void ViewController::releasePresentations() {
    if (m_holds > 0 && --m_holds == 0)
        presentNextPending();
}

void ViewController::leave(const char* why) {
    QList<QPointer<ViewController>> inside;
    inside.append(this);
    for (ViewController* vc : findChildren<ViewController*>())
        inside.append(vc);
    for (const QPointer<ViewController>& vc : std::as_const(inside)) {
        if (!vc)
            continue; // a queued controller deleted as its presenter's queue was dropped
        vc->m_leaving = true;
        const QList<Pending> pending = std::exchange(vc->m_pending, {});
        for (const Pending& p : pending) {
            Log::info("ViewController: dropping", describe(p.controller), "queued on the", why,
                      describe(vc));
            delete p.controller.data();
        }
    }
}

bool ViewController::isLeaving() const {
    for (const QWidget* w = this; w; w = w->parentWidget()) {
        if (auto* vc = qobject_cast<const ViewController*>(w); vc && vc->m_leaving)
            return true;
    }
    return false;
}

void ViewController::presentNextPending() {
    if (m_holds > 0)
        return;
    while (!m_presented && !m_pending.isEmpty()) {
        Pending next = m_pending.takeFirst();
        if (next.controller) {
            next.controller->setParent(nullptr);
            present(next.controller, next.animated, std::move(next.completion));
        }
    }
}

void ViewController::setPreferredContentSize(const QSize& size) {
    if (m_preferredContentSize == size)
        return;
    m_preferredContentSize = size;
    Q_EMIT preferredContentSizeChanged(size);
}

void ViewController::setLightAppearance() {
    setPalette(ui::lightPalette());
}

void ViewController::prepare(StoryboardSegue&, const QVariant&) {}

bool ViewController::performSegue(const QString& identifier, const QVariant& sender) {
    return Storyboard::performSegue(identifier, this, sender);
}

QSize ViewController::sizeHint() const {
    return isWindow() ? ui::kPhoneSize : QWidget::sizeHint();
}

void ViewController::setVisible(bool visible) {
    if (visible && isWindow() && !testAttribute(Qt::WA_Resized))
        resize(ui::kPhoneSize);
    QWidget::setVisible(visible);
}

bool ViewController::animationsEnabled() {
    if (g_animations < 0)
        return QGuiApplication::platformName() != QLatin1String("offscreen");
    return g_animations == 1;
}

void ViewController::setAnimationsEnabled(bool enabled) {
    g_animations = enabled ? 1 : 0;
}

void ViewController::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier && escape()) {
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

void ViewController::showEvent(QShowEvent* event) {
    if (m_leaving && isWindow()) {
        // A closed window shown again takes presentations again.
        m_leaving = false;
        for (ViewController* vc : findChildren<ViewController*>())
            vc->m_leaving = false;
    }
    loadViewIfNeeded();
    QWidget::showEvent(event);
    refreshAppearances(false);
}

void ViewController::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    refreshAppearances(false);
}

void ViewController::closeEvent(QCloseEvent* event) {
    QWidget::closeEvent(event);
    if (event->isAccepted())
        leave("closed");
}

void ViewController::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    viewDidLayoutSubviews();
}

bool ViewController::isCovered() const {
    const QWidget* win = window();
    // The presentation level this controller lives on: 0 for the window's own content.
    qsizetype level = -1;
    for (const QWidget* w = this; w && w != win; w = w->parentWidget()) {
        if (auto* host = qobject_cast<const PresentationHost*>(w)) {
            level = win->children().indexOf(const_cast<PresentationHost*>(host));
            break;
        }
    }
    const auto hosts = win->findChildren<PresentationHost*>(Qt::FindDirectChildrenOnly);
    for (PresentationHost* host : hosts) {
        if (host->coversWindow() && win->children().indexOf(host) > level)
            return true;
    }
    return false;
}

bool ViewController::shouldAppear() const {
    return isVisible() && !isCovered();
}

void ViewController::refreshAppearances(bool animated) {
    if (g_batchDepth > 0) {
        g_batchAnimated = g_batchAnimated || animated;
        return;
    }
    if (g_refreshing) {
        g_refreshAgain = true;
        return;
    }
    g_refreshing = true;
    for (int round = 0; round < 8; ++round) {
        g_refreshAgain = false;
        QList<QPointer<ViewController>> all;
        for (ViewController* vc : std::as_const(liveControllers()))
            all.append(vc);
        for (const auto& vc : std::as_const(all)) {
            if (vc && vc->m_appeared && !vc->shouldAppear()) {
                vc->m_appeared = false;
                vc->viewDidDisappear(animated);
            }
        }
        for (const auto& vc : std::as_const(all)) {
            if (vc && !vc->m_appeared && vc->shouldAppear()) {
                vc->loadViewIfNeeded();
                vc->m_appeared = true;
                vc->viewDidAppear(animated);
            }
        }
        if (!g_refreshAgain)
            break;
    }
    g_refreshing = false;
}

AppearanceBatch::AppearanceBatch(bool animated)
    : m_animated(animated) {
    ++g_batchDepth;
}

AppearanceBatch::~AppearanceBatch() {
    if (--g_batchDepth == 0) {
        const bool animated = g_batchAnimated || m_animated;
        g_batchAnimated = false;
        ViewController::refreshAppearances(animated);
    }
}

} // namespace orvane
