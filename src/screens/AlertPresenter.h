#pragma once

#include <QPointer>

#include "participation/JoinPresenter.h"
#include "ui/ViewController.h"

namespace orvane {

// The Qt Widgets presenter of the participation flow: each alert is an AlertController (alert
// style, default-style actions) presented on `screen` without animation. The screen is held
// weakly; once it is gone, alerts are dropped. Main thread only.
class AlertPresenter final : public JoinPresenter {
public:
    explicit AlertPresenter(ViewController* screen)
        : m_screen(screen) {}

    bool alert(const QString& title, const QString& message, QList<Action> actions) override;
    ViewController* screen() const { return m_screen.data(); }

private:
    QPointer<ViewController> m_screen;
};

// Makes `screen` the one the participation flow's alerts are presented on (null for none), and
// the desktop services the defaults: a screen that appears calls it.
void presentFlowAlertsOn(ViewController* screen);
// That screen; null while another presenter (or none) is registered.
ViewController* flowAlertScreen();

} // namespace orvane
