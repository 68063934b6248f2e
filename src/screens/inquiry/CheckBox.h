#pragma once

#include <QImage>

#include "ui/Button.h"

namespace orvane {

// A button that toggles between the kit's ticked and empty box images. It starts unchecked on
// every construction. A click toggles before clicked() is emitted, so every action on the same
// click (clicked(), onTap) sees the new state. The state is isChecked() of this class; the base
// button's own checked flag stays false. Main thread only.
class CheckBox final : public Button {
    Q_OBJECT
public:
    struct OnOffResources {
        QImage onImage;
        QImage offImage;
    };

    explicit CheckBox(QWidget* parent = nullptr);
    explicit CheckBox(const QString& title, QWidget* parent = nullptr);

    bool isChecked() const { return m_isChecked; }
    // Swaps the image when the value changes; the same value does nothing.
    void setChecked(bool checked);
    // The toggle action.
    void check();

    const OnOffResources& checkBoxResouces() const { return m_resources; }

Q_SIGNALS:
    void checkedChanged(bool checked);

protected:
    // Runs inside the click, before clicked().
    void nextCheckState() override;

private:
    void setUp();

    OnOffResources m_resources;
    bool m_isChecked = false;
};

} // namespace orvane
