#pragma once

namespace orvane {

// How a campaign row asks its screen to open the campaign's detail page. The screen implements it
// and hands itself to every row in setItem; `row` is the row's index in the table.
//
// An implementation must also be a QObject (the screen inherits both): rows keep it through a
// QPointer, so a screen that went away reads as "none" and is never called. Main thread only.
class CampClickProtocol {
public:
    virtual ~CampClickProtocol() = default;
    virtual void onClick(int row) = 0;
};

} // namespace orvane
