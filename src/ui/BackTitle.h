#pragma once

#include <QPointer>
#include <QString>

#include "ui/NavigationController.h"

namespace orvane {

// Names the back button that leads from a screen to the one below it on its navigation stack
// (the title is kept by the screen below), and puts the previous name back when it goes, unless
// another screen renamed it meanwhile. Main thread only.
class BackTitle final {
public:
    BackTitle() = default;
    Q_DISABLE_COPY_MOVE(BackTitle)
    ~BackTitle() {
        if (m_below && m_below->navigationItem().backButtonTitle() == m_title)
            m_below->navigationItem().setBackButtonTitle(m_previous);
    }

    // Sets it now; false when `screen` has no screen below it (not pushed yet), or it was set.
    bool set(ViewController& screen, const QString& title) {
        NavigationController* nav = screen.navigationController();
        if (m_below || !nav)
            return false;
        const QList<ViewController*> stack = nav->viewControllers();
        const qsizetype index = stack.indexOf(&screen);
        ViewController* below = index > 0 ? stack.at(index - 1) : nullptr;
        if (!below)
            return false;
        m_below = below;
        m_title = title;
        m_previous = below->navigationItem().backButtonTitle();
        below->navigationItem().setBackButtonTitle(title);
        return true;
    }

private:
    QPointer<ViewController> m_below;
    QString m_title;
    QString m_previous;
};

} // namespace orvane
