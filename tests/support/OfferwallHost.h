#pragma once

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTest>

#include "core/CampListModel.h"
#include "core/NotificationCenter.h"
#include "orvane/Orvane.h"
#include "participation/ApiJoin.h"
#include "screens/offerwall/CampCPSTableViewCell.h"
#include "screens/offerwall/CampTableViewCell.h"
#include "screens/offerwall/OrvaneViewController.h"
#include "support/Fakes.h"
#include "ui/NavigationController.h"

namespace orvane::test {

// Visits pages over HTTP as a browser would (the machine has none), counting the visits under way
// and those that succeeded.
struct Browser {
    void visit(const QUrl& url) {
        ++visiting;
        QNetworkReply* reply = network.get(QNetworkRequest(url));
        QObject::connect(reply, &QNetworkReply::finished, reply, [this, reply] {
            --visiting;
            visits += reply->error() == QNetworkReply::NoError;
            reply->deleteLater();
        });
    }
    QNetworkAccessManager network;
    int visiting = 0;
    int visits = 0;
};

// A host screen in an active phone-sized window with the offerwall presented over it through the
// facade, as a host does: the summary in the list's header, or (popup) in a popup.
struct OfferwallHost {
    explicit OfferwallHost(bool popup = false) {
        if (!popup)
            Orvane::shared().setBenefitsType(Orvane::TYPE_BENEFITS_DISPLAY_LIST_TOP);
        host.show();
        host.activateWindow();
        if (QTest::qWaitForWindowActive(&host))
            present();
    }
    ~OfferwallHost() { ApiJoin::shared().resetForTesting(); }

    // Closes the offerwall and presents a new one, as a user leaving and coming back does; the
    // participation flow carries on.
    void reopen() {
        host.dismiss(false);
        screen = nullptr; // ok() stays false if the old one does not go
        if (QTest::qWaitFor([this] { return !host.presentedViewController(); }))
            present();
    }
    void present() {
        Orvane::shared().presentOrvane(&host);
        nav = qobject_cast<NavigationController*>(host.presentedViewController());
        screen = nav ? qobject_cast<OrvaneViewController*>(nav->rootViewController()) : nullptr;
    }

    bool ok() const { return screen != nullptr; }
    const CampRows& rows() const { return screen->model().selectedAllCampList(); }
    // The list's campaign ids, top to bottom.
    QList<qint64> ids() const {
        QList<qint64> out;
        for (const Camp& camp : rows())
            out << camp.campid.value_or(-1);
        return out;
    }
    // The list row of `campid`, -1 while the list lacks it.
    int rowOf(qint64 campid) const { return int(ids().indexOf(campid)); }
    // The standard row showing `campid`, scrolled into view; null while there is none.
    CampTableViewCell* cell(qint64 campid) {
        if (rowOf(campid) >= 0)
            screen->tv_camp->scrollToRow(rowOf(campid));
        return qobject_cast<CampTableViewCell*>(screen->tv_camp->cellForRow(rowOf(campid)));
    }
    // The ids the table's visible cells show, top to bottom; purchase (CPS) rows count negative.
    QList<qint64> shownIds() const {
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
    // Installs the consent fake (authorised) and an opener that visits each page it is asked to
    // open: the machine has neither.
    void browse() {
        consent = &FakeConsent::install();
        opener = &FakeUrlOpener::install();
        opener->onOpen = [this](const QUrl& url) { browser.visit(url); };
    }

    Browser browser;
    ViewController host;
    NavigationController* nav = nullptr;
    OrvaneViewController* screen = nullptr;
    FakeConsent* consent = nullptr;
    FakeUrlOpener* opener = nullptr;
};

// Asks the lists on screen to load again, as the kit does when a participation ends.
inline void reloadLists() {
    NotificationCenter::defaultCenter().post(kActionListChange);
}

// A real tap on a row, beside its action control.
inline void tapRow(QWidget* row) {
    QTest::mouseClick(row, Qt::LeftButton, {}, QPoint(row->width() / 2, 12));
}

} // namespace orvane::test
