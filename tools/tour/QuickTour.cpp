#include "QuickTour.h"

#include <QDir>
#include <QImage>
#include <QQmlApplicationEngine>
#include <QQuickItem>
#include <QQuickWindow>

#include "core/Localized.h"
#include "orvane/Orvane.h"
#include "ui/Snapshot.h"

namespace orvane::tour {

namespace {

constexpr int kStepTimeoutMs = 15000;
// Icons arrive from the sandbox after the rows show.
constexpr int kImageSettleMs = 1200;

// The offerwall in a window of the phone's size; reopen() builds a new one.
constexpr char kScene[] = R"(
import QtQuick
import QtQuick.Controls
import Orvane

ApplicationWindow {
    width: 390
    height: 844
    visible: true
    function reopen() {
        wall.active = false
        wall.active = true
    }
    // A host's screen with the carousel in place of the wall.
    function showCarousel() {
        wall.active = false
        carousel.active = true
    }
    Loader {
        id: wall
        anchors.fill: parent
        sourceComponent: OfferwallView {}
    }
    Loader {
        id: carousel
        active: false
        anchors.centerIn: parent
        width: parent.width
        sourceComponent: CampCarousel {}
    }
}
)";

QQuickItem* search(QQuickItem* item, const QString& name) {
    if (item->isVisible() && item->objectName().startsWith(name))
        return item;
    for (QQuickItem* child : item->childItems()) {
        if (QQuickItem* found = search(child, name))
            return found;
    }
    return nullptr;
}

} // namespace

QuickTour::QuickTour(QString directory, QObject* parent)
    : QObject(parent)
    , m_directory(std::move(directory)) {
    m_poll.setInterval(50);
    connect(&m_poll, &QTimer::timeout, this, &QuickTour::poll);
    buildSteps();
}

QuickTour::~QuickTour() = default;

void QuickTour::buildSteps() {
    const auto reopenWithSummary = [this] {
        Orvane::shared().setBenefitsType(Orvane::BenefitsDisplay::ListTop);
        QMetaObject::invokeMethod(m_window, "reopen");
    };
    m_steps = {
        {QStringLiteral("quick-01-benefits-popup.png"), [] {}, shown(QStringLiteral("iv_close"))},
        {QString(), tap(QStringLiteral("iv_close")), gone(QStringLiteral("iv_close"))},
        {QStringLiteral("quick-02-offerwall.png"), [] {}, shown(QStringLiteral("camp:"))},
        {QStringLiteral("quick-03-offerwall-shopping.png"), tap(QStringLiteral("tab:1")),
         shown(QStringLiteral("camp:904"))},
        {QString(), tap(QStringLiteral("tab:0")), shown(QStringLiteral("camp:108"))},
        {QStringLiteral("quick-04-offerwall-sorted.png"), tap(QStringLiteral("b_sort")),
         textIs(QStringLiteral("b_sort"), localized(QStringLiteral("ov_sort_high")))},
        // The pages the wall opens, each closed again with its back control.
        {QString(), tap(QStringLiteral("b_sort")),
         textIs(QStringLiteral("b_sort"), localized(QStringLiteral("ov_sort_low")))},
        {QString(), tap(QStringLiteral("b_sort")),
         textIs(QStringLiteral("b_sort"), localized(QStringLiteral("ov_sort_init")))},
        {QStringLiteral("quick-05-detail.png"), tap(QStringLiteral("camp:902")),
         shown(QStringLiteral("l_how_participate"))},
        {QString(), tap(QStringLiteral("b_back")), shown(QStringLiteral("tv_camp"))},
        {QStringLiteral("quick-06-benefits-history.png"), tap(QStringLiteral("b_benefits")),
         shown(QStringLiteral("reward:"))},
        {QString(), tap(QStringLiteral("b_back")), shown(QStringLiteral("tv_camp"))},
        {QStringLiteral("quick-09-inquiry.png"), tap(QStringLiteral("b_inquiry")),
         shown(QStringLiteral("v_request_type"))},
        {QString(), tap(QStringLiteral("b_back")), shown(QStringLiteral("tv_camp"))},
        {QStringLiteral("quick-08-offerwall-summary-header.png"), reopenWithSummary,
         shown(QStringLiteral("l_coins_value"))},
        {QStringLiteral("quick-13-carousel.png"),
         [this] { QMetaObject::invokeMethod(m_window, "showCarousel"); },
         shown(QStringLiteral("pageControl"))},
    };
}

QQuickItem* QuickTour::item(const QString& name) const {
    return m_window ? search(m_window->contentItem(), name) : nullptr;
}

// Clicks a button as a tap on it would: its clicked() runs the QML's onClicked.
QuickTour::Action QuickTour::tap(const QString& name) {
    return [this, name] {
        if (QQuickItem* target = item(name))
            QMetaObject::invokeMethod(target, "clicked");
    };
}

QuickTour::Ready QuickTour::shown(const QString& name) {
    return [this, name] { return item(name) != nullptr; };
}

QuickTour::Ready QuickTour::gone(const QString& name) {
    return [this, name] { return item(name) == nullptr; };
}

QuickTour::Ready QuickTour::textIs(const QString& name, const QString& text) {
    return [this, name, text] {
        QQuickItem* target = item(name);
        return target && target->property("text").toString() == text;
    };
}

void QuickTour::start() {
    if (!QDir().mkpath(m_directory)) {
        finish(false, QStringLiteral("cannot create ") + m_directory);
        return;
    }
    m_engine = std::make_unique<QQmlApplicationEngine>();
    // The kit's module is compiled in under qrc:/qt/qml, where Qt 6.4 does not look by itself.
    m_engine->addImportPath(QStringLiteral("qrc:/qt/qml"));
    m_engine->loadData(QByteArray(kScene), QUrl(QStringLiteral("quick-tour.qml")));
    const QList<QObject*> roots = m_engine->rootObjects();
    m_window = roots.isEmpty() ? nullptr : qobject_cast<QQuickWindow*>(roots.constFirst());
    if (!m_window) {
        finish(false, QStringLiteral("the QML offerwall did not load"));
        return;
    }
    m_index = 0;
    runStep();
}

void QuickTour::runStep() {
    if (m_index >= m_steps.size()) {
        finish(true);
        return;
    }
    m_steps.at(m_index).action();
    m_clock.start();
    m_poll.start();
}

void QuickTour::poll() {
    const Step& step = m_steps.at(m_index);
    if (!step.ready()) {
        if (m_clock.elapsed() > kStepTimeoutMs)
            finish(false, QStringLiteral("timed out waiting for ") + step.file);
        return;
    }
    m_poll.stop();
    QTimer::singleShot(step.file.isEmpty() ? 0 : kImageSettleMs, this, [this] {
        const QString file = m_steps.at(m_index).file;
        if (!file.isEmpty()) {
            const QString path = QDir(m_directory).filePath(file);
            const QImage picture = m_window ? m_window->grabWindow() : QImage();
            if (isUniformImage(picture) || !picture.save(path)) {
                finish(false, QStringLiteral("could not write ") + path);
                return;
            }
            m_written.append(path);
        }
        ++m_index;
        runStep();
    });
}

// Leaves the kit as the tour found it: the window gone, the summary in a popup.
void QuickTour::finish(bool ok, const QString& why) {
    m_poll.stop();
    if (!ok)
        qCritical("orvane-tour: %s", qPrintable(why));
    m_engine.reset();
    Orvane::shared().setBenefitsType(Orvane::BenefitsDisplay::Popup);
    Q_EMIT finished(ok);
}

} // namespace orvane::tour
