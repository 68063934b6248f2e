#include "participation/AlertPresenter.h"

#include "ui/AlertController.h"

namespace orvane {

bool AlertPresenter::alert(const QString& title, const QString& message, QList<Action> actions) {
    ViewController* screen = m_screen.data();
    if (!screen) {
        return false;
    }
    auto* alert = new AlertController(title, message, AlertController::Style::Alert);
    for (Action& action : actions) {
        alert->addAction(
            AlertAction(action.title, AlertAction::Style::Default, std::move(action.handler)));
    }
    screen->present(alert, false);
    return true;
}

} // namespace orvane
