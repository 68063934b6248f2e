#pragma once

#include <QList>

#include "ui/ViewController.h"

namespace orvane {
class CampRows;
class CampTableViewCell;
class NavigationController;
class OrvaneViewController;
} // namespace orvane

namespace orvane::test {

class FakeConsent;
class FakeUrlOpener;

// A host screen in an active phone-sized window with the offerwall presented over it through the
// facade, as a host does: the summary in the list's header, or (popup) in a popup.
struct OfferwallHost {
    explicit OfferwallHost(bool popup = false);
    ~OfferwallHost();

    bool ok() const { return screen != nullptr; }
    const CampRows& rows() const;
    // The list's campaign ids, top to bottom.
    QList<qint64> ids() const;
    // The list row of `campid`, -1 while the list lacks it.
    int rowOf(qint64 campid) const;
    // The standard row showing `campid`, scrolled into view; null while there is none.
    CampTableViewCell* cell(qint64 campid);
    // The ids the table's visible cells show, top to bottom; purchase (CPS) rows count negative.
    QList<qint64> shownIds() const;
    // Installs the consent fake (authorised) and an opener that visits each page it is asked to
    // open over HTTP, counting the visits that succeed: the machine has neither.
    void browse();

    ViewController host;
    NavigationController* nav = nullptr;
    OrvaneViewController* screen = nullptr;
    FakeConsent* consent = nullptr;
    FakeUrlOpener* opener = nullptr;
    int visits = 0;
};

// A real tap on a row, beside its action control.
void tapRow(QWidget* row);

} // namespace orvane::test
