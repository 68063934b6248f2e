#pragma once

#include <QPointer>

#include "participation/JoinPresenter.h"

namespace orvane {

class OfferwallController;

// The Qt Quick presenter of the participation flow: each alert joins the queue of the offerwall
// controller, which the QML view shows as a popup, one at a time. The controller is held weakly;
// once it is gone, alerts are dropped. Main thread only.
class QuickPresenter final : public JoinPresenter {
public:
    explicit QuickPresenter(OfferwallController* controller)
        : m_controller(controller) {}

    bool alert(const QString& title, const QString& message, QList<Action> actions) override;

private:
    QPointer<OfferwallController> m_controller;
};

} // namespace orvane
