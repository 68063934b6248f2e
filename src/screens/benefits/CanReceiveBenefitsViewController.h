#pragma once

#include <optional>

#include "ui/ViewController.h"

namespace orvane {

class ImageView;
class Label;

// The popup of rewards the user can still receive: the amount with its mark and a close control.
// Shown by the offerwall as the content of an action sheet (scene
// "CanReceiveBenefitsViewController"). Main thread only.
class CanReceiveBenefitsViewController final : public ViewController {
    Q_OBJECT
public:
    static inline const QString kSceneIdentifier =
        QStringLiteral("CanReceiveBenefitsViewController");
    static constexpr int kPreferredHeight = 150;

    explicit CanReceiveBenefitsViewController(QWidget* parent = nullptr);

    // Set by the opener before the popup is shown ("12,300 P").
    std::optional<QString> rewardPriceAndMark;

    Label* l_popup_coins_value;
    ImageView* iv_close;

    // Dismisses the popup (the sheet it is the content of, or itself when presented alone).
    void clickClose();

protected:
    void viewDidLoad() override;
    void viewDidLayoutSubviews() override;

private:
    Label* m_caption;
};

} // namespace orvane
