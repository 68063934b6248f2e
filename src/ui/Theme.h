#pragma once

#include <QColor>
#include <QFont>
#include <QPalette>
#include <QSize>

#include "core/HostColors.h"

namespace orvane::ui {

// The phone-like look of the kit's screens. Sizes are in device-independent pixels, the unit the
// mobile layouts are measured in, so a 390-pixel-wide window matches a 390-point-wide phone.

// Default size of a top-level controller window.
inline constexpr QSize kPhoneSize{390, 844};

// Font sizes of the mobile system font.
inline constexpr int kTitleFontSize = 17;
inline constexpr int kBodyFontSize = 14;
inline constexpr int kSmallFontSize = 12;

// The application font at `pixelSize`, with the given weight.
QFont font(int pixelSize, QFont::Weight weight = QFont::Normal);
inline QFont boldFont(int pixelSize) {
    return font(pixelSize, QFont::Bold);
}

// The host's colours (core/HostColors.h), which screens read when they draw.
using orvane::accentColor;
using orvane::disabledColor;
// Colours of secondary text, separators, dimmed backdrops and grouped backgrounds.
QColor secondaryTextColor();
QColor separatorColor();
QColor dimColor();
QColor groupedBackgroundColor();

// A light palette (white backgrounds, near-black text, accent highlights) used whatever the
// desktop's colour scheme is.
QPalette lightPalette();

} // namespace orvane::ui
