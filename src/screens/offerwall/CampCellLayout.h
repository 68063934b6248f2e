#pragma once

#include <QColor>
#include <QMargins>

#include "core/Records.h"

class QWidget;

namespace orvane {

class ImageView;
class Label;

// The look both campaign rows share: sizes, colours and the set-up of their common widgets.
namespace campcell {

inline constexpr QMargins kRowMargins{16, 12, 16, 12};
inline constexpr int kRowSpacing = 12;
inline constexpr int kTextSpacing = 3;
inline constexpr int kIconSide = 56;
inline constexpr int kNativeCornerRadius = 10;
inline constexpr int kPillHeight = 32;
inline constexpr int kPillMinWidth = 76;
inline constexpr int kTitleFontSize = 15;
inline const QColor kImageBackground{238, 238, 242};

// A square icon of kIconSide.
void setupIcon(ImageView* icon);
// The campaign name: bold, at most two lines' worth of height.
void setupTitle(Label* title);
// A label drawn as a pill-shaped button in the accent colour, white bold text.
void setupPillLabel(Label* label);
// Sets up a row after its children were made: presses on labels and images fall through to the
// row, whose tap recognizer runs the action (a rich-text label would otherwise take the press for
// its links), and the labels draw with their own text colour wherever the row is placed (inside a
// table's viewport they would otherwise use the base text colour).
void finishRow(QWidget* row);

// Shows the campaign's icon in `icon`: corner radius a fifth of its height, the placeholder with
// the campaign's initial until the image arrives (or for good when the address is unusable), the
// image through the shared image cache. A view bound to another address drops that binding.
void bindIcon(ImageView* icon, const Camp& camp);

} // namespace campcell
} // namespace orvane
