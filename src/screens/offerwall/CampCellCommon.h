#pragma once

#include <memory>
#include <optional>

#include <QImage>
#include <QString>
#include <QTextDocument>

#include "core/CampDisplay.h"
#include "core/Records.h"
#include "ui/ImageView.h"

namespace orvane {

// Pieces the campaign rows and the detail page share: the placeholder icon, the styled description
// and an image view that keeps its picture's proportions. Main thread only (fonts and text
// layout). The texts and addresses of a row that need no widget are in core/CampDisplay.h.

// White level 140/255: the grey of descriptions and instructions.
inline const QColor kCampSecondaryTextColor{140, 140, 140};

// A neutral rounded square with the first letter or digit of `name` (empty when it has none),
// shown where a campaign has no usable icon. Cached by initial.
QImage campPlaceholderIcon(const std::optional<QString>& name);

// `html` converted to styled text in `color` at `pixelSize`, as HTML for a rich-text label. When
// the conversion yields nothing (refused, or only markup without text), the text with its tags
// stripped is shown instead, so a description is never lost.
QString campStyledHtml(const std::optional<QString>& html, const QColor& color, int pixelSize);

// The description a row or the detail page shows, as a document: the converted `rewarddesc` in
// grey at `descriptionPixelSize`, then the reward text in the accent colour, bold, at
// `amountPixelSize`, right after the description (no separator). The document loads nothing.
std::unique_ptr<QTextDocument> campDescriptionDocument(const Camp& camp, int descriptionPixelSize,
                                                      int amountPixelSize);
// The same description as HTML, for a rich-text label.
QString campDescriptionHtml(const Camp& camp, int descriptionPixelSize, int amountPixelSize);

// A row's way to the detail page of its campaign: asks the screen (`clickTarget`, a
// CampClickProtocol) to open it for `row`; logs when there is no screen to ask.
void campOpenDetail(const Camp& camp, QObject* clickTarget, std::optional<int> row,
                    const char* rowKind);

// An image view whose height follows its width at the proportions of the picture it shows (or of
// the expected picture, until one arrives), so a wide picture always fills the width unclipped.
class AspectImageView final : public ImageView {
    Q_OBJECT
public:
    explicit AspectImageView(double expectedAspect, QWidget* parent = nullptr);

    // Width over height; ignored unless positive and finite.
    void setAspectRatio(double aspect);
    double aspectRatio() const { return m_aspect; }

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;

private:
    double m_aspect;
};

} // namespace orvane
