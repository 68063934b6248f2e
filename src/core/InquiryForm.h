#pragma once

#include <functional>
#include <optional>

#include <QImage>
#include <QList>
#include <QObject>
#include <QPair>
#include <QSizeF>
#include <QStringList>

#include "core/Records.h"

namespace orvane {

// What the user entered in an inquiry form. The kind and the campaign are the labels on screen:
// the texts of "ov_request_type_select" and "ov_ad_select" while nothing is chosen.
struct InquiryDraft {
    QString name;
    QString phone;
    QString email;
    QString content; // empty when the user wrote nothing (a placeholder is no inquiry)
    QString kind;
    bool campaignAsked = false; // the campaign choice is on screen
    QString campaign;
};

// The inquiry to customer service behind every front-end's form: the kinds, the campaigns and the
// consent text fetched when it loads, the checks of the fields, the screenshots with their limits
// and the send (postCS).
//
// Screenshots are measured as JPEG (and scaled to the front-end's preview) off the main thread, one
// at a time in the order they were given, so they attach in pick order and the upload sends the
// picked images themselves. One over kMaxScreenshotBytes, one that cannot be encoded and one
// beyond kMaxScreenshotCount are refused with the key of the message to show.
//
// Main thread only. Replies and encodings finish on other threads and are applied on the main
// thread; one that arrives after the form is gone is dropped, but a delivered inquiry is still
// reported to the host (HostEvents::inquirySent).
class InquiryForm final : public QObject {
    Q_OBJECT
public:
    // Measures a picked image: its JPEG bytes (empty when it cannot be encoded). Runs on a
    // background thread.
    using JpegEncoder = std::function<QByteArray(const QImage&)>;

    explicit InquiryForm(QObject* parent = nullptr);

    // (label, cstype sent), in sheet order.
    const QList<QPair<QString, QString>>& typeList() const { return m_typeList; }
    QStringList kindLabels() const;
    // Whether the kind labelled `kind` asks which campaign the inquiry is about.
    static bool asksCampaign(const QString& kind);

    // Starts the two fetches side by side: the campaigns of the campaign choice and the consent
    // text.
    void load();
    // Campaigns of the campaign choice; absent until the list arrives.
    const std::optional<QList<Camp>>& adList() const { return m_adList; }
    QStringList campaignNames() const;

    // The key of the message of the first check `draft` fails ("ov_enter_all",
    // "ov_not_phone_form", "ov_not_email_form"); none when it may be sent.
    static std::optional<QString> validationFailure(const InquiryDraft& draft);

    // Attached screenshots, in the order added (the upload order).
    const QList<QImage>& screenShotList() const { return m_screenShotList; }
    // How many more screenshots may be picked; those still being measured count as attached.
    int screenshotRoom() const;
    // Admits one picked image: measured, then attached (screenshotAdded) or refused
    // (screenshotRefused).
    void setScreenshot(const QImage& image);
    // Admits what a picker answered, in order, up to the room left; the rest is refused once
    // ("ov_max_image_3"): a picker may answer more than it was allowed, or the form filled up
    // meanwhile.
    void setScreenshots(const QList<QImage>& images);
    void removeScreenshot(int index);
    // The size previews are scaled to fit, in device pixels; none (the image itself) when empty.
    void setPreviewSize(const QSizeF& size) { m_previewSize = size; }
    // Replaces the JPEG measurement (tests: exact sizes without a picture of that size); an empty
    // one restores it.
    void setJpegEncoder(JpegEncoder encoder);

    // Whether a send waits for its reply.
    bool isSending() const { return m_sending; }
    // Sends `draft` with the screenshots; nothing while a send waits. The campid is that of the
    // first campaign of adList named like draft.campaign, whatever the kind (0 when none), so a
    // campaign chosen before the kind changed is still sent.
    void send(const InquiryDraft& draft);

Q_SIGNALS:
    void campaignsArrived();
    // The consent text as the server sent it (HTML); each front-end styles it.
    void agreeContentsArrived(const QString& html);
    void screenshotAdded(int index, const QImage& preview);
    void screenshotRefused(const QString& messageKey);
    void screenshotsChanged();
    void sendingChanged();
    // The reply to a send: delivered, or not (transport failure, undecodable body, refusal).
    void sendFinished(bool delivered);

private:
    struct Measured {
        QImage image;
        QImage preview;
        qint64 jpegBytes = 0;
    };

    void admit(const Measured& measured);
    void finishSend(bool delivered);

    QList<QPair<QString, QString>> m_typeList;
    std::optional<QList<Camp>> m_adList;
    QList<QImage> m_screenShotList;
    QSizeF m_previewSize;
    JpegEncoder m_encoder;
    int m_pendingScreenshots = 0;
    bool m_sending = false;
};

} // namespace orvane
