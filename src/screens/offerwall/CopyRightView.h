#pragma once

#include <QWidget>

namespace orvane {

// The footer under the campaign list. Built once, when it is made, from the view resource
// "CopyRightView" and the setting "STANDARD_COPYRIGHT_VISIBILITY": when true it holds the
// copyright line and is 30 points high; when false (also when never set) it is hidden, takes no
// height and leaves its parent's layout. Changing the setting later affects only footers made
// afterwards. Main thread only.
class CopyRightView final : public QWidget {
    Q_OBJECT
public:
    static inline const QString kViewIdentifier = QStringLiteral("CopyRightView");
    static constexpr int kHeight = 30;

    explicit CopyRightView(QWidget* parent = nullptr);

    // True when the footer shows its content.
    bool isFooterVisible() const { return m_content != nullptr; }

    // Registers the view resource "CopyRightView" (the copyright line) with the Storyboard.
    static void registerView();

private:
    QWidget* m_content = nullptr;
};

} // namespace orvane
