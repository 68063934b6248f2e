#include "qml/InquiryController.h"

#include <QBuffer>
#include <QColor>

#include "core/Dispatch.h"
#include "core/Localized.h"
#include "core/Log.h"
#include "core/PlatformServicesSlot.h"
#include "core/ScreenshotLimits.h"
#include "orvane/PlatformServices.h"
#include "qml/OfferwallController.h"

namespace orvane {

namespace {

QString text(const char* key) {
    return localized(QString::fromLatin1(key));
}

// A small picture as an address an Image item shows without a provider.
QString dataUrl(const QImage& image) {
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return QStringLiteral("data:image/png;base64,") + QString::fromLatin1(png.toBase64());
}

} // namespace

InquiryController::InquiryController(QObject* parent)
    : QObject(parent)
    , m_form(new InquiryForm(this))
    , m_kind(text("ov_request_type_select"))
    , m_campaign(text("ov_ad_select")) {
    connect(m_form, &InquiryForm::campaignsArrived, this, &InquiryController::campaignsChanged);
    connect(m_form, &InquiryForm::agreeContentsArrived, this, [this](const QString& html) {
        m_agreeText =
            OfferwallController::descriptionHtml(html, QString(), QColor(140, 140, 140), QColor());
        Q_EMIT agreeTextChanged();
    });
    connect(m_form, &InquiryForm::screenshotAdded, this, [this](int, const QImage& preview) {
        m_previews << dataUrl(preview);
        Q_EMIT screenshotsChanged();
    });
    connect(m_form, &InquiryForm::screenshotRefused, this,
            [this](const QString& key) { alert(key); });
    connect(m_form, &InquiryForm::sendingChanged, this, &InquiryController::sendingChanged);
    connect(m_form, &InquiryForm::sendFinished, this, [this](bool delivered) {
        if (!delivered) {
            alert(QStringLiteral("ov_try_again")); // everything entered stays for the next try
            return;
        }
        QPointer<InquiryController> self(this);
        alert(QStringLiteral("ov_inquiry_done"), [self] {
            if (self)
                Q_EMIT self->finished();
        });
    });
}

void InquiryController::setWall(OfferwallController* wall) {
    if (m_wall == wall)
        return;
    m_wall = wall;
    Q_EMIT wallChanged();
}

bool InquiryController::hasCamera() const {
    return detail::imagePickerInstalled() && PlatformServices::imagePicker().hasCamera();
}

void InquiryController::start(qreal previewSide) {
    m_form->setPreviewSize(QSizeF(previewSide, previewSide));
    m_form->load();
}

void InquiryController::chooseKind(const QString& label) {
    m_kind = label;
    Q_EMIT choiceChanged();
}

void InquiryController::chooseCampaign(const QString& name) {
    m_campaign = name;
    Q_EMIT choiceChanged();
}

bool InquiryController::canChooseCampaign() {
    if (m_form->adList() && !m_form->adList()->isEmpty())
        return true;
    alert(QStringLiteral("ov_not_campaign"));
    return false;
}

bool InquiryController::canAttach() {
    if (m_form->screenshotRoom() > 0)
        return true;
    alert(QStringLiteral("ov_max_image_3"));
    return false;
}

void InquiryController::pickScreenshots(bool camera) {
    const int room = m_form->screenshotRoom();
    if (room <= 0) {
        alert(QStringLiteral("ov_max_image_3"));
        return;
    }
    if (!detail::imagePickerInstalled()) {
        Q_EMIT fileDialogWanted(room);
        return;
    }
    QPointer<InquiryController> self(this);
    PlatformServices::imagePicker().pick(
        nullptr, camera ? ImagePicker::Source::Camera : ImagePicker::Source::Library,
        camera ? 1 : room, [self](const QList<QImage>& images) {
            if (self)
                self->m_form->setScreenshots(images);
        });
}

void InquiryController::addScreenshotFiles(const QList<QUrl>& files) {
    QStringList paths;
    for (const QUrl& file : files) {
        if (file.isLocalFile())
            paths << file.toLocalFile();
        else
            Log::error("InquiryController addScreenshotFiles : not a local file", file.toString());
    }
    QPointer<InquiryController> self(this);
    dispatch::toGlobal([self, paths] {
        const QList<QImage> images = readPickedImages(paths);
        dispatch::toMain([self, images] {
            if (self)
                self->m_form->setScreenshots(images);
        });
    });
}

void InquiryController::removeScreenshot(int index) {
    if (index < 0 || index >= m_previews.size()) {
        Log::error("InquiryController removeScreenshot : no screenshot", index);
        return;
    }
    m_form->removeScreenshot(index);
    m_previews.removeAt(index);
    Q_EMIT screenshotsChanged();
}

void InquiryController::send(const QString& name, const QString& phone, const QString& email,
                             const QString& content) {
    if (m_form->isSending())
        return;
    const InquiryDraft draft{name, phone, email, content, m_kind, campaignAsked(), m_campaign};
    if (const std::optional<QString> failure = InquiryForm::validationFailure(draft)) {
        alert(*failure);
        return;
    }
    m_form->send(draft);
}

void InquiryController::alert(const QString& messageKey, std::function<void()> confirm) {
    if (!m_wall) {
        Log::error("InquiryController drops an alert, no offerwall to show it:", messageKey);
        return;
    }
    m_wall->showAlert(text("ov_alarm"), localized(messageKey),
                      {JoinPresenter::Action{text("ov_confirm"), std::move(confirm)}});
}

} // namespace orvane
