#include "screens/AlertPresenter.h"

#include "participation/ApiJoin.h"
#include "ui/AlertController.h"
#include "ui/PlatformServicesUi.h"

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

void presentFlowAlertsOn(ViewController* screen) {
    installDesktopServices();
    ApiJoin::shared().setPresenter(screen ? std::make_shared<AlertPresenter>(screen) : nullptr);
}

ViewController* flowAlertScreen() {
    const auto* widgets = dynamic_cast<const AlertPresenter*>(ApiJoin::shared().presenter());
    return widgets ? widgets->screen() : nullptr;
}

} // namespace orvane
