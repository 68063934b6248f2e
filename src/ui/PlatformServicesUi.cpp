#include "ui/PlatformServicesUi.h"

#include <vector>

#include <QApplication>
#include <QFileDialog>
#include <QImage>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>

#include "core/Device.h"
#include "core/Dispatch.h"
#include "core/Localized.h"
#include "core/Log.h"
#include "core/PlatformServicesSlot.h"
#include "core/ScreenshotLimits.h"
#include "core/UserDefaults.h"
#include "orvane/PlatformServices.h"

// The platform services that need widgets: the desktop tracking-consent prompt and the desktop
// image picker, registered as the defaults of PlatformServices by installDesktopServices().

namespace orvane {

namespace {

bool haveWidgets() {
    return qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr;
}

// The window the user is working in (the offerwall, when a join asks), for dialogs to centre on.
QWidget* activeWindow() {
    if (QWidget* window = QApplication::activeWindow())
        return window;
    QWidget* focus = QApplication::focusWidget();
    return focus ? focus->window() : nullptr;
}

// Asks once, in a dialog, and remembers the answer like the mobile system prompt does: later
// requests answer the remembered status without asking. Requests made while the dialog is up wait
// for the same answer. The settings page is a second dialog that changes the remembered answer.
class DesktopTrackingConsent final : public TrackingConsent {
public:
    void requestAuthorization(std::function<void(int status)> completion) override {
        const int remembered = rememberedStatus();
        if (remembered != NotDetermined) {
            answer(std::move(completion), remembered);
            return;
        }
        if (!haveWidgets()) {
            Log::error("TrackingConsent requestAuthorization : no widget application, not asked");
            answer(std::move(completion), NotDetermined);
            return;
        }
        m_waiting.push_back(std::move(completion));
        if (!m_prompt) {
            m_prompt = showChoice(QStringLiteral("orvane.trackingConsentPrompt"), promptTitle(),
                                  localized(QStringLiteral("ov_tracking_prompt_message")), false);
        }
    }

    void openAppPrivacySettings() override {
        if (!haveWidgets() || m_settings) {
            return;
        }
        m_settings = showChoice(QStringLiteral("orvane.trackingConsentSettings"),
                                localized(QStringLiteral("ov_tracking_settings_title")),
                                localized(QStringLiteral("ov_tracking_settings_message")), true);
    }

private:
    // A translation may leave out the application's name, so no QString::arg here.
    static QString promptTitle() {
        return localized(QStringLiteral("ov_tracking_prompt_title"))
            .replace(QStringLiteral("%1"), QGuiApplication::applicationDisplayName());
    }

    static int rememberedStatus() {
        const qint64 value = UserDefaults::standard().integer(kTrackingConsentStatusKey);
        return value >= NotDetermined && value <= Authorized ? static_cast<int>(value)
                                                             : NotDetermined;
    }

    static void answer(std::function<void(int)> completion, int status) {
        if (completion) {
            dispatch::toMain([completion = std::move(completion), status] { completion(status); });
        }
    }

    // The question is the dialog's main text (window titles are small or hidden on many desktops)
    // and the explanation its informative text; the dialog is centred on the active window.
    QMessageBox* showChoice(const QString& name, const QString& question,
                            const QString& explanation, bool cancellable) {
        auto* box = new QMessageBox(activeWindow());
        box->setIcon(QMessageBox::Question);
        box->setWindowTitle(QGuiApplication::applicationDisplayName());
        box->setTextFormat(Qt::PlainText); // the application's name is shown as it is
        box->setText(question);
        box->setInformativeText(explanation);
        box->setStyleSheet(QStringLiteral("QLabel#qt_msgbox_label { font-weight: bold; }"));
        box->setObjectName(name);
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->setWindowModality(Qt::ApplicationModal);
        QPushButton* deny =
            box->addButton(localized(QStringLiteral("ov_tracking_deny")), QMessageBox::RejectRole);
        QPushButton* allow =
            box->addButton(localized(QStringLiteral("ov_tracking_allow")), QMessageBox::AcceptRole);
        deny->setObjectName(QStringLiteral("deny"));
        allow->setObjectName(QStringLiteral("allow"));
        if (cancellable) {
            box->addButton(localized(QStringLiteral("ov_cancel")), QMessageBox::DestructiveRole)
                ->setObjectName(QStringLiteral("cancel"));
        }
        QObject::connect(box, &QMessageBox::buttonClicked, box,
                         [this, allow, deny](QAbstractButton* button) {
                             if (button == allow || button == deny) {
                                 decide(button == allow ? Authorized : Denied);
                             }
                         });
        // Closing the prompt without a choice answers "not determined" and asks again next time.
        QObject::connect(box, &QObject::destroyed, [this] { flush(NotDetermined); });
        box->open();
        return box;
    }

    void decide(int status) {
        UserDefaults::standard().set(kTrackingConsentStatusKey, status);
        flush(status);
    }

    void flush(int status) {
        std::vector<std::function<void(int)>> waiting;
        waiting.swap(m_waiting);
        for (auto& completion : waiting) {
            answer(std::move(completion), status);
        }
    }

    QPointer<QMessageBox> m_prompt;
    QPointer<QMessageBox> m_settings;
    std::vector<std::function<void(int)>> m_waiting;
};

// Picks image files with a file dialog. There is no camera on a desktop: the camera source
// answers an empty list. The files are decoded off the main thread (a photo of many megapixels
// takes a while), in the order picked (readPickedImages).
class DesktopImagePicker final : public ImagePicker {
public:
    void pick(QWidget* parent, Source source, int limit,
              std::function<void(const QList<QImage>& images)> completion) override {
        auto answer = [completion = std::move(completion)](QList<QImage> images) {
            if (completion) {
                dispatch::toMain([completion, images] { completion(images); });
            }
        };
        if (source == Source::Camera || limit <= 0 || !haveWidgets()) {
            if (source == Source::Camera) {
                Log::info("ImagePicker pick : no camera on this device");
            }
            answer({});
            return;
        }
        auto* dialog = new QFileDialog(parent, localized(QStringLiteral("ov_select_photo")));
        dialog->setObjectName(QStringLiteral("orvane.imagePicker"));
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        dialog->setFileMode(limit == 1 ? QFileDialog::ExistingFile : QFileDialog::ExistingFiles);
        dialog->setNameFilter(localized(QStringLiteral("ov_image_files")) +
                              QStringLiteral(" (*.png *.jpg *.jpeg *.gif *.webp *.bmp)"));
        dialog->setOption(QFileDialog::DontUseNativeDialog);
        QObject::connect(dialog, &QFileDialog::filesSelected, dialog,
                         [answer, limit](const QStringList& files) {
                             dispatch::toGlobal([answer, files = files.mid(0, limit)] {
                                 const QList<QImage> images = readPickedImages(files);
                                 dispatch::toMain([answer, images] { answer(images); });
                             });
                         });
        QObject::connect(dialog, &QFileDialog::rejected, dialog, [answer] { answer({}); });
        dialog->open();
    }
};

} // namespace

void installDesktopServices() {
    static DesktopTrackingConsent consent;
    static DesktopImagePicker picker;
    detail::setWidgetDefaults(consent, picker);
}

} // namespace orvane
