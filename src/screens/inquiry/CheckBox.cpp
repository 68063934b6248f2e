#include "screens/inquiry/CheckBox.h"

#include "core/KitResources.h"

namespace orvane {

CheckBox::CheckBox(QWidget* parent)
    : Button(parent) {
    setUp();
}

CheckBox::CheckBox(const QString& title, QWidget* parent)
    : Button(title, parent) {
    setUp();
}

void CheckBox::setUp() {
    m_resources.onImage = kitImage(kTickBoxImage);
    m_resources.offImage = kitImage(kUncheckedBoxImage);
    m_isChecked = false;
    setImage(m_resources.offImage);
    // Checkable for assistive technology, which reads it as a check box with its state.
    setCheckable(true);
}

void CheckBox::setChecked(bool checked) {
    if (checked == m_isChecked)
        return;
    m_isChecked = checked;
    QAbstractButton::setChecked(checked);
    setImage(checked ? m_resources.onImage : m_resources.offImage);
    update();
    Q_EMIT checkedChanged(checked);
}

void CheckBox::check() {
    setChecked(!m_isChecked);
}

void CheckBox::nextCheckState() {
    check();
}

} // namespace orvane
