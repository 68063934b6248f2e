#pragma once

#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QUrl>
#include <QtQml/qqmlregistration.h>

#include "core/InquiryForm.h"
#include "qml/OfferwallController.h"

namespace orvane {

// The inquiry form page for QML over the core's InquiryForm: the kind and campaign chosen (the
// texts of "ov_request_type_select" and "ov_ad_select" until the user picks), the consent text
// styled for a Text item, the screenshots' previews and the send. Its messages show in the
// offerwall's alert popup (`wall`), with the Widgets form's texts.
//
// Screenshots come from the platform image picker when a host (or a test) installed one;
// otherwise the page shows a file dialog (fileDialogWanted) and hands the chosen files to
// addScreenshotFiles(). Main thread only. (Not final: the QML engine derives from the types it
// creates.)
class InquiryController : public QObject {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(OfferwallController* wall READ wall WRITE setWall NOTIFY wallChanged)
    Q_PROPERTY(QStringList kindLabels READ kindLabels CONSTANT)
    Q_PROPERTY(QString kind READ kind NOTIFY choiceChanged)
    Q_PROPERTY(bool campaignAsked READ campaignAsked NOTIFY choiceChanged)
    Q_PROPERTY(QString campaign READ campaign NOTIFY choiceChanged)
    Q_PROPERTY(QStringList campaignNames READ campaignNames NOTIFY campaignsChanged)
    Q_PROPERTY(QString agreeText READ agreeText NOTIFY agreeTextChanged)
    Q_PROPERTY(QStringList screenshots READ screenshots NOTIFY screenshotsChanged)
    Q_PROPERTY(bool sending READ isSending NOTIFY sendingChanged)
    Q_PROPERTY(bool hasCamera READ hasCamera CONSTANT)

public:
    explicit InquiryController(QObject* parent = nullptr);

    OfferwallController* wall() const { return m_wall; }
    void setWall(OfferwallController* wall);
    QStringList kindLabels() const { return m_form->kindLabels(); }
    QString kind() const { return m_kind; }
    bool campaignAsked() const { return InquiryForm::asksCampaign(m_kind); }
    QString campaign() const { return m_campaign; }
    QStringList campaignNames() const { return m_form->campaignNames(); }
    // Rich text: the server's consent text in grey, nothing remote; empty until it arrives.
    QString agreeText() const { return m_agreeText; }
    // The previews of the attached screenshots ("data:" addresses), in upload order.
    QStringList screenshots() const { return m_previews; }
    bool isSending() const { return m_form->isSending(); }
    bool hasCamera() const;
    InquiryForm* form() const { return m_form; }

    // The page appearing: fetches the campaigns and the consent text.
    Q_INVOKABLE void start(qreal previewSide);
    Q_INVOKABLE void chooseKind(const QString& label);
    Q_INVOKABLE void chooseCampaign(const QString& name);
    // Whether the campaign sheet may open; otherwise "ov_not_campaign" is shown.
    Q_INVOKABLE bool canChooseCampaign();
    // Whether the attach sheet may open; otherwise "ov_max_image_3" is shown.
    Q_INVOKABLE bool canAttach();
    // Picks up to the room left: from the camera, or from the pictures on the device.
    Q_INVOKABLE void pickScreenshots(bool camera);
    // The files chosen in the page's file dialog, read off the main thread.
    Q_INVOKABLE void addScreenshotFiles(const QList<QUrl>& files);
    Q_INVOKABLE void removeScreenshot(int index);
    // Checks the fields, then sends; a failed check shows its message and keeps everything.
    Q_INVOKABLE void send(const QString& name, const QString& phone, const QString& email,
                          const QString& content);

Q_SIGNALS:
    void wallChanged();
    void choiceChanged();
    void campaignsChanged();
    void agreeTextChanged();
    void screenshotsChanged();
    void sendingChanged();
    // No platform picker: the page shows a file dialog for up to `limit` pictures.
    void fileDialogWanted(int limit);
    // The inquiry was delivered and the user confirmed it: the page closes.
    void finished();

private:
    void alert(const QString& messageKey, std::function<void()> confirm = {});

    InquiryForm* m_form;
    QPointer<OfferwallController> m_wall;
    QString m_kind;
    QString m_campaign;
    QString m_agreeText;
    QStringList m_previews;
};

} // namespace orvane
