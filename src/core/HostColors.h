#pragma once

#include <QColor>

namespace orvane {

// The host's colours: the accent (#FF5C5A by default) and the colour of disabled controls
// (#A0A0A0). The facade writes them (Orvane::setOrvaneColorPrimary / setOrvaneColorDisable) and
// every front-end reads them when it draws. Main thread.
QColor accentColor();
void setAccentColor(const QColor& color);
QColor disabledColor();
void setDisabledColor(const QColor& color);

} // namespace orvane
