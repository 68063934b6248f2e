#pragma once

#include <QImage>
#include <QWidget>

namespace orvane {

// How an image fills the view's rectangle.
enum class ContentMode {
    AspectFit,  // whole image visible, letterboxed, centred
    AspectFill, // view fully covered, the overflow cropped, centred
    ScaleToFill // stretched to the view's rectangle
};

// A widget that paints one QImage (smooth scaling), clipped to a rounded rectangle when a corner
// radius is set. With no image it paints the placeholder image if one is set, else the background
// colour if one is set, else nothing. Main thread only; the image is held by value (implicitly
// shared, so setImage is cheap).
class ImageView : public QWidget {
    Q_OBJECT
public:
    explicit ImageView(QWidget* parent = nullptr);

    void setImage(const QImage& image);
    QImage image() const { return m_image; }
    bool hasImage() const { return !m_image.isNull(); }
    void clearImage();

    void setContentMode(ContentMode mode);
    ContentMode contentMode() const { return m_mode; }

    void setCornerRadius(qreal radius);
    qreal cornerRadius() const { return m_cornerRadius; }

    // Shown (with the same content mode) while no image is set.
    void setPlaceholder(const QImage& placeholder);
    QImage placeholder() const { return m_placeholder; }

    // Painted under the image inside the rounded rectangle; invalid (the default) paints nothing.
    void setBackgroundColor(const QColor& color);
    QColor backgroundColor() const { return m_background; }

    // The rectangle the image is drawn into for the given view and image sizes (may exceed the view
    // for AspectFill). Exposed for tests and for layouts that align with the picture.
    static QRectF targetRect(const QSizeF& viewSize, const QSizeF& imageSize, ContentMode mode);

    QSize sizeHint() const override;

Q_SIGNALS:
    void imageChanged();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage m_image;
    QImage m_placeholder;
    QColor m_background;
    ContentMode m_mode = ContentMode::AspectFit;
    qreal m_cornerRadius = 0;
};

} // namespace orvane
