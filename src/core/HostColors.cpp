#include "core/HostColors.h"

namespace orvane {

namespace {

struct HostColors {
    QColor accent{255, 92, 90};
    QColor disabled{160, 160, 160};
};

HostColors& hostColors() {
    static HostColors colors;
    return colors;
}

} // namespace

QColor accentColor() {
    return hostColors().accent;
}

void setAccentColor(const QColor& color) {
    hostColors().accent = color;
}

QColor disabledColor() {
    return hostColors().disabled;
}

void setDisabledColor(const QColor& color) {
    hostColors().disabled = color;
}

} // namespace orvane
