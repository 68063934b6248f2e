#include "screens/carousel/MyCollectionViewCell.h"

#include <QGridLayout>

#include "core/CarouselLayout.h"
#include "ui/ImageView.h"

namespace orvane {

namespace {
constexpr qreal kCornerRadius = 16;
} // namespace

MyCollectionViewCell::MyCollectionViewCell(QWidget* parent)
    : CollectionViewCell(parent)
    , myView(new ImageView(this))
    , dimmedView(new ImageView(this)) {
    myView->setObjectName(QStringLiteral("myView"));
    myView->setCornerRadius(kCornerRadius);
    dimmedView->setObjectName(QStringLiteral("dimmedView"));
    dimmedView->setCornerRadius(kCornerRadius);
    dimmedView->setBackgroundColor(QColor::fromRgbF(0, 0, 0, carousel::kDimmedAlpha));

    // Both fill the card; the overlay was added last, so it lies on top.
    auto* layout = new QGridLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(myView, 0, 0);
    layout->addWidget(dimmedView, 0, 0);
}

void MyCollectionViewCell::prepareForReuse() {
    myView->setBackgroundColor(QColor());
    dimmedView->show();
}

} // namespace orvane
