#include "core/CarouselLayout.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace orvane::carousel {

qreal sideInset(qreal width) {
    return (width - kItemSize.width()) * 0.5;
}

int cardIndex(qreal offsetX, qreal leftInset, int count) {
    if (count <= 0)
        return 0;
    // std::lround rounds halves away from zero.
    const long nearest = std::lround((offsetX + leftInset) / kPitch);
    return static_cast<int>(std::clamp<long>(nearest, 0, count - 1));
}

qreal offsetForCard(int index, qreal leftInset) {
    return index * kPitch - leftInset;
}

qreal snappedOffset(qreal proposedX, qreal leftInset, int count) {
    return offsetForCard(cardIndex(proposedX, leftInset, count), leftInset);
}

void moveCurrentCard(QList<MyModel>& items, std::optional<int>& previousIndex, int index) {
    if (index < 0 || index >= items.size())
        return;
    items[index].isDimmed = false;
    if (previousIndex && *previousIndex != index && *previousIndex >= 0 &&
        *previousIndex < items.size())
        items[*previousIndex].isDimmed = true;
    previousIndex = index;
}

QList<MyModel> placeholderCards(int count) {
    // The 48-bit generator of drand48 in its unseeded state, kept to ourselves so that neither the
    // host's use of drand48 nor ours disturbs the other.
    static unsigned short state[3] = {0x330E, 0xABCD, 0x1234};
    QList<MyModel> cards;
    for (int i = 0; i < count; ++i) {
        const double red = erand48(state);
        const double green = erand48(state);
        const double blue = erand48(state);
        cards.append({QColor::fromRgbF(static_cast<float>(red), static_cast<float>(green),
                                       static_cast<float>(blue), 1.0f),
                      true});
    }
    return cards;
}

} // namespace orvane::carousel
