#pragma once

#include <QWidget>

namespace orvane {

class ImageView;

// One attached screenshot: a rounded thumbnail (iv_screenshot) with a delete icon in its top right
// corner (iv_screenshot_delete). The two sit in a contents view that fills the item, so the item
// is the delete icon's grandparent: a tap handler finds the item from the icon. The user of the
// item sets the image and attaches the delete handler. View resource "ItemScreenshotView".
// Main thread only.
class ItemScreenshotView final : public QWidget {
    Q_OBJECT
public:
    static inline const QString kViewIdentifier = QStringLiteral("ItemScreenshotView");
    // Side of the delete icon.
    static constexpr int kDeleteIconSize = 22;

    explicit ItemScreenshotView(const QRect& frame = {}, QWidget* parent = nullptr);

    ImageView* iv_screenshot;
    ImageView* iv_screenshot_delete;

    // The view holding the thumbnail and the icon, sized to the item.
    QWidget* contentsView() const { return m_contents; }

    // Registers the view resource with the Storyboard.
    static void registerView();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void layoutContents();

    QWidget* m_contents;
};

} // namespace orvane
