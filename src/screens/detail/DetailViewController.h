#pragma once

#include <memory>
#include <optional>

#include <QPointer>

#include "core/Records.h"
#include "ui/BackTitle.h"
#include "ui/ViewController.h"
#include "ui/Views.h"

namespace orvane {

class AspectImageView;
class Button;
class DetailFlow;
class ImageCacheLoader;
class ImageView;
class Label;
class ScrollView;

// The full page of one campaign, pushed by the segue "DetailViewController" (the source's
// prepare() calls setCamp): its picture (viewurl, else nativeurl) at full width, or its icon; the
// name; the description with the reward; the participation instructions; the common notice text;
// and one action button pinned at the bottom. The button moves
//
//   loading (cta, no action) -> join (clickJoin) once the view report is answered and convflag is 0
//   -> participation check (clickParticipation) on onParticipationCheckPossible
//   -> accumulate (clickAccumulation) on onAccumulationPossible.
//
// A reward key of the campaign (the list's own for a campaign ready to collect, or one ApiJoin
// holds, when the page loads or later) moves the button to accumulate (the page's DetailFlow, which
// QML's detail page shares). It registers itself as ApiJoin's alert screen when it loads and pops
// to the root of its navigation stack on "action_detail_finish". Main thread only; owned by its
// navigation stack.
class DetailViewController final : public ViewController {
    Q_OBJECT
public:
    static inline const QString kSceneIdentifier = QStringLiteral("DetailViewController");
    enum class ButtonState { loading, join, participationCheck, accumulate };

    explicit DetailViewController(QWidget* parent = nullptr);
    ~DetailViewController() override;

    // Set before the screen loads; required by viewDidLoad.
    void setCamp(const Camp& camp) { m_camp = camp; }
    const std::optional<Camp>& camp() const { return m_camp; }
    std::optional<QString> orvkey() const;
    ButtonState buttonState() const;

    // Handler of "action_detail_finish": back to the root of the navigation stack, animated.
    void finish();

    void clickJoin();
    void clickParticipation();
    void clickAccumulation();

    // The participation flow's news of the campaign (the page's DetailFlow is the listener).
    void onParticipationCheckPossible();
    void onAccumulationPossible(qint64 campid, const QString& orvkey);

    // Outlets.
    AspectImageView* iv_native() const { return m_ivNative; }
    const LayoutConstraint& lch_iv_native_detail() const { return m_lchIvNativeDetail; }
    ImageView* iv_icon() const { return m_ivIcon; }
    Label* l_title() const { return m_lTitle; }
    Label* l_content() const { return m_lContent; }
    Button* b_reward() const { return m_bReward; }
    Label* l_how_participate() const { return m_lHowParticipate; }
    Label* l_join_desc() const { return m_lJoinDesc; }

    // Registers the scene and the push segue "DetailViewController" with the Storyboard.
    static void registerScene();

protected:
    void viewDidLoad() override;
    void viewDidAppear(bool animated) override;

private:
    void buildLayout();
    void showPicture();
    void pictureArrived(const QImage& image);
    void showButton();

    std::optional<Camp> m_camp;
    DetailFlow* m_flow = nullptr; // made when the page loads
    BackTitle m_backTitle;
    std::unique_ptr<ImageCacheLoader> m_loader;

    ScrollView* m_scroll = nullptr;
    AspectImageView* m_ivNative = nullptr;
    LayoutConstraint m_lchIvNativeDetail;
    ImageView* m_ivIcon = nullptr;
    Label* m_lTitle = nullptr;
    Label* m_lContent = nullptr;
    Button* m_bReward = nullptr;
    Label* m_lHowParticipate = nullptr;
    Label* m_lJoinDesc = nullptr;
};

} // namespace orvane
