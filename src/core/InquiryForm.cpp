#include "core/InquiryForm.h"

#include <QPointer>
#include <QRegularExpression>

#include "core/ApiList.h"
#include "core/Dispatch.h"
#include "core/HostEvents.h"
#include "core/Localized.h"
#include "core/Log.h"
#include "core/ScaleToFit.h"
#include "core/ScreenshotLimits.h"

using namespace Qt::StringLiterals;

namespace orvane {

namespace {

QString text(const char* key) {
    return localized(QString::fromLatin1(key));
}

// Mobile numbers: 010, 011 or 017, then seven or eight digits.
const QRegularExpression& phonePattern() {
    static const QRegularExpression pattern(
        QRegularExpression::anchoredPattern(QStringLiteral("01[017][0-9]{7,8}")));
    return pattern;
}

const QRegularExpression& emailPattern() {
    static const QRegularExpression pattern(QRegularExpression::anchoredPattern(
        QStringLiteral("[A-Z0-9a-z._%+-]+@[A-Za-z0-9.-]+\\.[A-Za-z]{2,64}")));
    return pattern;
}

// Encodings run one at a time, in the order images were picked, so their results reach the main
// thread in that order too.
dispatch::SerialQueue& encodingQueue() {
    static dispatch::SerialQueue queue(QStringLiteral("InquiryForm.jpeg"));
    return queue;
}

} // namespace

InquiryForm::InquiryForm(QObject* parent)
    : QObject(parent)
    , m_encoder(screenshotJpeg) {
    m_typeList = {
        {text("ov_request_type_participate"), QStringLiteral("join")},
        {text("ov_request_type_savings"), QStringLiteral("reward")},
        {text("ov_request_type_service_obstacle"), QStringLiteral("error")},
        {text("ov_request_type_etc"), QStringLiteral("etc")},
    };
}

QStringList InquiryForm::kindLabels() const {
    QStringList labels;
    for (const auto& [label, code] : m_typeList)
        labels << label;
    return labels;
}

bool InquiryForm::asksCampaign(const QString& kind) {
    return kind == text("ov_request_type_savings");
}

QStringList InquiryForm::campaignNames() const {
    QStringList names;
    for (const Camp& camp : m_adList.value_or(QList<Camp>()))
        names << camp.name.value_or(QString());
    return names;
}

void InquiryForm::load() {
    QPointer<InquiryForm> self(this);
    ApiList().getCamp([self](const ApiResult& result) {
        if (!result.ok()) {
            Log::info("RequestViewController getCamp :", result.error().description());
            return;
        }
        const Decoded<Req> decoded = decode<Req>(result.body());
        if (!decoded.ok()) {
            Log::error("OrvaneViewController Decoding Error");
            Log::error(decoded.error());
            return;
        }
        const std::optional<QList<Camp>> camps = decoded.value().camp;
        dispatch::toMain([self, camps] {
            if (!self)
                return;
            self->m_adList = camps;
            Q_EMIT self->campaignsArrived();
        });
    });
    ApiList().getAgreeContents([self](const ApiResult& result) {
        if (!result.ok()) {
            Log::info("RequestViewController getAgreeContents :", result.error().description());
            return;
        }
        const Decoded<AgreeContents> decoded = decode<AgreeContents>(result.body());
        if (!decoded.ok()) {
            Log::error(decoded.error());
            return;
        }
        const std::optional<QString> html = decoded.value().cs_agree_contents;
        if (!html) {
            Log::error("RequestViewController getAgreeContents : no consent text to show");
            return;
        }
        dispatch::toMain([self, html = *html] {
            if (self)
                Q_EMIT self->agreeContentsArrived(html);
        });
    });
}

std::optional<QString> InquiryForm::validationFailure(const InquiryDraft& draft) {
    for (const QString& value : {draft.name, draft.phone, draft.email, draft.content}) {
        if (value.trimmed().isEmpty())
            return u"ov_enter_all"_s;
    }
    if (draft.kind == text("ov_request_type_select"))
        return u"ov_enter_all"_s;
    if (draft.campaignAsked && draft.campaign == text("ov_ad_select"))
        return u"ov_enter_all"_s;
    if (!phonePattern().match(draft.phone).hasMatch())
        return u"ov_not_phone_form"_s;
    if (!emailPattern().match(draft.email).hasMatch())
        return u"ov_not_email_form"_s;
    return std::nullopt;
}

int InquiryForm::screenshotRoom() const {
    return kMaxScreenshotCount - static_cast<int>(m_screenShotList.size()) - m_pendingScreenshots;
}

void InquiryForm::setScreenshot(const QImage& image) {
    ++m_pendingScreenshots;
    QPointer<InquiryForm> self(this);
    // The preview is a copy the size of its pixels: a photo of many megapixels is scaled once here,
    // off the main thread, not at every paint.
    encodingQueue().async([self, image, preview = m_previewSize, encoder = m_encoder] {
        const QByteArray jpeg = encoder(image);
        Measured measured{image, preview.isEmpty() ? image : scaleToFit(image, preview),
                          jpeg.isEmpty() ? -1 : jpeg.size()};
        dispatch::toMain([self, measured] {
            if (self)
                self->admit(measured);
        });
    });
}

void InquiryForm::setScreenshots(const QList<QImage>& images) {
    const int room = screenshotRoom();
    for (int i = 0; i < images.size(); ++i) {
        if (i >= room) {
            Log::info("RequestViewController presentAlbum : images over the limit dropped");
            Q_EMIT screenshotRefused(u"ov_max_image_3"_s);
            return;
        }
        setScreenshot(images.at(i));
    }
}

void InquiryForm::admit(const Measured& measured) {
    --m_pendingScreenshots;
    Log::info(u"imgData.count:"_s + QString::number(measured.jpegBytes) + u" / maxSize:"_s +
              QString::number(kMaxScreenshotBytes));
    if (measured.jpegBytes < 0) {
        Log::error("RequestViewController setScreenshot : the image cannot be encoded as JPEG");
        Q_EMIT screenshotRefused(u"ov_try_again"_s);
        return;
    }
    if (!screenshotFits(measured.jpegBytes)) {
        Q_EMIT screenshotRefused(u"ov_max_image_size_3mb"_s);
        return;
    }
    if (m_screenShotList.size() >= kMaxScreenshotCount) {
        Q_EMIT screenshotRefused(u"ov_max_image_3"_s);
        return;
    }
    m_screenShotList.append(measured.image);
    Q_EMIT screenshotAdded(static_cast<int>(m_screenShotList.size()) - 1, measured.preview);
    Q_EMIT screenshotsChanged();
}

void InquiryForm::removeScreenshot(int index) {
    if (index < 0 || index >= m_screenShotList.size()) {
        Log::error("RequestViewController clickScreenshotDelete : no screenshot", index);
        return;
    }
    m_screenShotList.removeAt(index);
    Q_EMIT screenshotsChanged();
}

void InquiryForm::setJpegEncoder(JpegEncoder encoder) {
    m_encoder = encoder ? std::move(encoder) : JpegEncoder(screenshotJpeg);
}

void InquiryForm::send(const InquiryDraft& draft) {
    if (m_sending)
        return;
    m_sending = true;
    Q_EMIT sendingChanged();

    qint64 campid = 0;
    for (const Camp& camp : m_adList.value_or(QList<Camp>())) {
        if (camp.name == draft.campaign) {
            campid = camp.campid.value_or(0);
            break;
        }
    }
    QString cstype;
    for (const auto& [label, code] : std::as_const(m_typeList)) {
        if (label == draft.kind)
            cstype = code;
    }

    QPointer<InquiryForm> self(this);
    ApiList().postCS(
        draft.name, draft.email, draft.phone, cstype, campid, draft.content, m_screenShotList,
        [self](const ApiResult& result) {
            bool delivered = false;
            if (!result.ok()) {
                Log::error("RequestViewController postCS :", result.error().description());
            } else if (const Decoded<ResultData> decoded = decode<ResultData>(result.body());
                       !decoded.ok()) {
                Log::error(decoded.error());
            } else if (decoded.value().result == 200) {
                delivered = true;
            } else {
                Log::error(u"OrvaneViewController getReq Error : "_s +
                           optionalDescription(decoded.value().result));
            }
            dispatch::toMain([self, delivered] {
                if (self)
                    self->finishSend(delivered);
                // The host hears of it even when the form was closed while it was on its way.
                if (delivered)
                    Q_EMIT HostEvents::shared().inquirySent();
            });
        });
}

void InquiryForm::finishSend(bool delivered) {
    m_sending = false;
    Q_EMIT sendingChanged();
    Q_EMIT sendFinished(delivered);
}

} // namespace orvane
