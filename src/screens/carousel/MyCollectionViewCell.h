#pragma once

#include "ui/CollectionView.h"

namespace orvane {

class ImageView;

// A card of the carousel: `myView` shows the card's colour over the whole card and `dimmedView`,
// on top of it, darkens it while the card is not the current one. A reused card comes back with
// no colour and dimmed. Registered in the Storyboard under kReuseIdentifier.
class MyCollectionViewCell final : public CollectionViewCell {
    Q_OBJECT
public:
    static inline const QString kReuseIdentifier = QStringLiteral("MyCollectionViewCell");

    explicit MyCollectionViewCell(QWidget* parent = nullptr);

    void prepareForReuse() override;

    ImageView* myView;
    ImageView* dimmedView;
};

} // namespace orvane
