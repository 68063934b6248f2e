#pragma once

#include <optional>

#include <QColor>
#include <QList>
#include <QSizeF>

namespace orvane {

// One card of the carousel: its colour and whether the dark overlay covers it.
struct MyModel {
    QColor color;
    bool isDimmed = true;
};

// The carousel's geometry and current-card rules, free of widgets. Offsets are horizontal content
// offsets of the strip: the content point shown at its left edge.
namespace carousel {

inline constexpr QSizeF kItemSize{300, 400};
inline constexpr qreal kLineSpacing = 24;
// Distance from one card's left edge to the next one's.
inline constexpr qreal kPitch = kItemSize.width() + kLineSpacing;
// Between the bottom of the strip and the top of the page indicator.
inline constexpr int kPageControlGap = 16;
inline constexpr qreal kDimmedAlpha = 0.45;
inline constexpr int kPlaceholderCount = 5;

// Left and right inset that centre a card in a strip `width` wide.
qreal sideInset(qreal width);
// The card centred nearest to offset `offsetX` with left inset `leftInset`: (x + L) / pitch
// rounded, halves away from zero, then clamped to the cards (an over-scroll past either end
// counts as the end card). 0 when there are no cards.
int cardIndex(qreal offsetX, qreal leftInset, int count);
// The offset that centres card `index`.
qreal offsetForCard(int index, qreal leftInset);
// Where a drag that would come to rest at `proposedX` settles: centred on the nearest card.
qreal snappedOffset(qreal proposedX, qreal leftInset, int count);

// Makes card `index` current: undims it and dims the card recorded in `previousIndex` when that
// differs, then records `index`. Indices outside `items` are ignored.
void moveCurrentCard(QList<MyModel>& items, std::optional<int>& previousIndex, int index);

// `count` dimmed placeholder cards whose colours come from one generator shared by every
// carousel in the process (never reseeded, so each new carousel shows new colours and a run
// shows the same sequence each launch). Main thread only.
QList<MyModel> placeholderCards(int count = kPlaceholderCount);

} // namespace carousel
} // namespace orvane
