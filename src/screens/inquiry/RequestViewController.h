#pragma once

#include <functional>
#include <optional>

#include <QImage>
#include <QList>
#include <QPair>
#include <QPointer>

#include "core/Records.h"
#include "ui/BackTitle.h"
#include "ui/ViewController.h"

namespace orvane {

class ActivityOverlay;
class AlertAction;
class Button;
class CheckBox;
class HStack;
class ImageView;
class Label;
class ScrollView;
class TextField;
class TextView;

// The inquiry form (scene "RequestViewController"): name, mobile number, e-mail, the kind of
// inquiry, the campaign concerned (for the "reward not received" kind only), the text and up to
// three screenshots, sent with postCS once the consent box is ticked. The kind and campaign
// choices are the texts of l_request_type and l_ad_select, mapped back to a code and a campaign id
// when sending. The campaign list and the consent text are fetched side by side when the view
// loads.
//
// Screenshots come from PlatformServices::imagePicker(). Each is measured as JPEG and scaled to
// its thumbnail off the main thread, and attached in the order it was picked (the upload sends the
// picked image itself); one over kMaxScreenshotBytes is refused. A send
// shows the busy overlay over the navigation container; success shows "ov_inquiry_done", whose
// confirmation pops to the root, and any failure a retry alert that keeps everything entered.
//
// Main thread only. Replies and encodings finish on other threads and are applied on the main
// thread; one that arrives after the form is gone is dropped.
class RequestViewController final : public ViewController {
    Q_OBJECT
public:
    static inline const QString kSceneIdentifier = QStringLiteral("RequestViewController");
    // Measures a picked image: its JPEG bytes (empty when it cannot be encoded). Runs on a
    // background thread.
    using JpegEncoder = std::function<QByteArray(const QImage&)>;

    explicit RequestViewController(QWidget* parent = nullptr);
    ~RequestViewController() override;

    // Outlets.
    ScrollView* sv_main;
    QWidget* v_request_type;
    Label* l_request_type;
    QWidget* v_ad_select;
    Label* l_ad_select;
    TextField* tf_name;
    TextField* tf_phone;
    TextField* tf_email;
    TextView* tv_input_inquiry;
    ImageView* iv_attach;
    HStack* sv_screenshot;
    Label* l_agree_contents;
    CheckBox* b_agree;
    Button* b_negative;
    Button* b_positive;

    // (label, cstype sent), in sheet order.
    QList<QPair<QString, QString>> typeList;
    // Campaigns of the campaign choice; absent until the list arrives.
    const std::optional<QList<Camp>>& adList() const { return m_adList; }
    // Attached screenshots, in the order added (the upload order).
    const QList<QImage>& screenShotList() const { return m_screenShotList; }
    // Whether a send waits for its reply.
    bool isSending() const { return m_sending; }

    void clickRequestType();
    void clickAdSelect();
    void clickAttach();
    // A tap on the delete icon of an ItemScreenshotView in sv_screenshot.
    void clickScreenshotDelete(QWidget* deleteIcon);
    void actionRequestType(const AlertAction& action);
    void actionAdList(const AlertAction& action);
    // Accessible names that follow the form's state.
    void nameChoices();
    void nameScreenshots();
    void clickAgree();
    void clickPositive();
    void clickNegative();
    void presentAlbum();
    void presentCamera();

    // Admits one picked image: measured as JPEG, refused over the size limit, otherwise attached
    // after the images admitted before it.
    void setScreenshot(const QImage& image);

    // The on-screen keyboard's rectangle in window coordinates (QInputMethod's): the part that
    // covers the form becomes the bottom inset of sv_main. An empty rectangle removes it.
    void onKeyboardRectangle(const QRectF& windowRect);

    // Replaces the JPEG measurement (tests: exact sizes without a picture of that size).
    void setJpegEncoder(JpegEncoder encoder);

    static void registerScene();

protected:
    void viewDidLoad() override;
    void viewDidAppear(bool animated) override;

private:
    struct Measured {
        QImage image;
        QImage preview; // scaled to the thumbnail
        qint64 jpegBytes = 0;
    };

    void apiCampList();
    void apiAgreeContents();
    void postCS();
    void admitMeasured(const Measured& measured);
    void addScreenshotItem(const QImage& preview);
    std::optional<QString> validationFailure() const;
    void sendFinished(bool delivered);
    void progressStart();
    void progressStop();
    void alert(const QString& messageKey, std::function<void()> confirm = {});
    void applyPlaceholder(bool editing);
    QString inquiryText() const;
    int attachedOrPending() const;

    std::optional<QList<Camp>> m_adList;
    QList<QImage> m_screenShotList;
    Label* m_attachHint = nullptr; // shown while no screenshot is attached
    JpegEncoder m_encoder;
    int m_pendingScreenshots = 0;
    bool m_sending = false;
    QPointer<ActivityOverlay> vProgress;
    BackTitle m_backTitle;
};

} // namespace orvane
