#include "support/OfferwallHost.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTest>

#include "core/CampListModel.h"
#include "orvane/Orvane.h"
#include "participation/ApiJoin.h"
#include "screens/offerwall/CampCPSTableViewCell.h"
#include "screens/offerwall/CampTableViewCell.h"
#include "screens/offerwall/OrvaneViewController.h"
#include "support/Fakes.h"
#include "ui/NavigationController.h"

namespace orvane::test {

OfferwallHost::OfferwallHost(bool popup) {
    if (!popup)
        Orvane::shared().setBenefitsType(Orvane::TYPE_BENEFITS_DISPLAY_LIST_TOP);
    host.show();
    host.activateWindow();
    if (!QTest::qWaitForWindowActive(&host))
        return;
    Orvane::shared().presentOrvane(&host);
    nav = qobject_cast<NavigationController*>(host.presentedViewController());
    screen = nav ? qobject_cast<OrvaneViewController*>(nav->rootViewController()) : nullptr;
}

OfferwallHost::~OfferwallHost() {
    ApiJoin::shared().resetForTesting();
}

const CampRows& OfferwallHost::rows() const {
    return screen->model().selectedAllCampList();
}

QList<qint64> OfferwallHost::ids() const {
    QList<qint64> out;
    for (const Camp& camp : rows())
        out << camp.campid.value_or(-1);
    return out;
}

int OfferwallHost::rowOf(qint64 campid) const {
    return int(ids().indexOf(campid));
}

CampTableViewCell* OfferwallHost::cell(qint64 campid) {
    const int row = rowOf(campid);
    if (row < 0)
        return nullptr;
    screen->tv_camp->scrollToRow(row);
    return qobject_cast<CampTableViewCell*>(screen->tv_camp->cellForRow(row));
}

QList<qint64> OfferwallHost::shownIds() const {
    QList<qint64> out;
    for (int row : screen->tv_camp->visibleRows()) {
        TableViewCell* cell = screen->tv_camp->cellForRow(row);
        if (auto* standard = qobject_cast<CampTableViewCell*>(cell))
            out << standard->camp()->campid.value_or(-1);
        else if (auto* cps = qobject_cast<CampCPSTableViewCell*>(cell))
            out << -cps->camp()->campid.value_or(-1);
    }
    return out;
}

void OfferwallHost::browse() {
    consent = &FakeConsent::install();
    opener = &FakeUrlOpener::install();
    auto* browser = new QNetworkAccessManager(&host);
    opener->onOpen = [this, browser](const QUrl& url) {
        QNetworkReply* reply = browser->get(QNetworkRequest(url));
        QObject::connect(reply, &QNetworkReply::finished, reply, [this, reply] {
            visits += reply->error() == QNetworkReply::NoError;
            reply->deleteLater();
        });
    };
}

void tapRow(QWidget* row) {
    QTest::mouseClick(row, Qt::LeftButton, {}, QPoint(row->width() / 2, 12));
}

} // namespace orvane::test
