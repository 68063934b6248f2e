#include "qml/QuickPresenter.h"

#include "qml/OfferwallController.h"

namespace orvane {

bool QuickPresenter::alert(const QString& title, const QString& message, QList<Action> actions) {
    if (!m_controller)
        return false;
    m_controller->showAlert(title, message, std::move(actions));
    return true;
}

} // namespace orvane
