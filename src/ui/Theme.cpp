#include "ui/Theme.h"

#include <QGuiApplication>

namespace orvane::ui {

QFont font(int pixelSize, QFont::Weight weight) {
    QFont f = QGuiApplication::font();
    f.setPixelSize(pixelSize);
    f.setWeight(weight);
    return f;
}

QColor secondaryTextColor() {
    return QColor(140, 140, 140);
}

QColor separatorColor() {
    return QColor(224, 224, 228);
}

QColor dimColor() {
    return QColor(0, 0, 0, 102);
}

QColor groupedBackgroundColor() {
    return QColor(242, 242, 247);
}

QPalette lightPalette() {
    QPalette p;
    const QColor text(28, 28, 30);
    for (auto group : {QPalette::Active, QPalette::Inactive}) {
        p.setColor(group, QPalette::Window, Qt::white);
        p.setColor(group, QPalette::Base, Qt::white);
        p.setColor(group, QPalette::AlternateBase, groupedBackgroundColor());
        p.setColor(group, QPalette::WindowText, text);
        p.setColor(group, QPalette::Text, text);
        p.setColor(group, QPalette::ButtonText, text);
        p.setColor(group, QPalette::Button, Qt::white);
        p.setColor(group, QPalette::PlaceholderText, QColor(170, 170, 176));
        p.setColor(group, QPalette::Highlight, accentColor());
        p.setColor(group, QPalette::HighlightedText, Qt::white);
        p.setColor(group, QPalette::Mid, separatorColor());
    }
    p.setColor(QPalette::Disabled, QPalette::Window, Qt::white);
    p.setColor(QPalette::Disabled, QPalette::Base, Qt::white);
    p.setColor(QPalette::Disabled, QPalette::WindowText, QColor(160, 160, 160));
    p.setColor(QPalette::Disabled, QPalette::Text, QColor(160, 160, 160));
    p.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(160, 160, 160));
    return p;
}

} // namespace orvane::ui
