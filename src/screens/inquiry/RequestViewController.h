#pragma once

#include <functional>

#include <QPointer>

#include "core/InquiryForm.h"
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
// three screenshots, sent once the consent box is ticked. The kind and campaign choices are the
// texts of l_request_type and l_ad_select; the core's InquiryForm maps them back to a code and a
// campaign id, checks the fields, fetches the campaigns and the consent text when the view loads,
// measures the screenshots and sends.
//
// Screenshots come from PlatformServices::imagePicker(). A send shows the busy overlay over the
// navigation container; success shows "ov_inquiry_done", whose confirmation pops to the root, and
// any failure a retry alert that keeps everything entered. Main thread only.
class RequestViewController final : public ViewController {
    Q_OBJECT
public:
    static inline const QString kSceneIdentifier = QStringLiteral("RequestViewController");
    using JpegEncoder = InquiryForm::JpegEncoder;

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

    // The kinds, the campaigns, the screenshots and the send.
    InquiryForm* form() const { return m_form; }
    const std::optional<QList<Camp>>& adList() const { return m_form->adList(); }
    const QList<QImage>& screenShotList() const { return m_form->screenShotList(); }
    bool isSending() const { return m_form->isSending(); }

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

    // Admits one picked image (InquiryForm::setScreenshot).
    void setScreenshot(const QImage& image) { m_form->setScreenshot(image); }

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
    void postCS();
    void addScreenshotItem(const QImage& preview);
    InquiryDraft draft() const;
    void sendFinished(bool delivered);
    void progressStart();
    void progressStop();
    void alert(const QString& messageKey, std::function<void()> confirm = {});
    void applyPlaceholder(bool editing);
    QString inquiryText() const;

    InquiryForm* m_form;
    Label* m_attachHint = nullptr; // shown while no screenshot is attached
    QPointer<ActivityOverlay> vProgress;
    BackTitle m_backTitle;
};

} // namespace orvane
