#include "ui/PlatformServicesUi.h"

#include <QApplication>
#include <QFileDialog>
#include <QImage>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>

#include "core/Dispatch.h"
#include "core/Localized.h"
#include "core/Log.h"
#include "core/PlatformServicesSlot.h"
#include "core/PromptedConsent.h"
#include "core/ScreenshotLimits.h"
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

// Asks in a dialog (PromptedConsent remembers the answer and holds the requests that wait for it).
// The settings page is a second dialog that changes the remembered answer.
class DesktopTrackingConsent final : public PromptedConsent {
public:
    void openAppPrivacySettings() override {
        if (!haveWidgets() || m_settings) {
            return;
        }
        m_settings = showChoice(QStringLiteral("orvane.trackingConsentSettings"), settingsTitle(),
                                settingsMessage(), true);
    }

private:
    bool ask() override {
        if (!haveWidgets()) {
            Log::error("TrackingConsent requestAuthorization : no widget application, not asked");
            return false;
        }
        showChoice(QStringLiteral("orvane.trackingConsentPrompt"), promptTitle(), promptMessage(),
                   false);
        return true;
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
        QPushButton* deny = box->addButton(denyText(), QMessageBox::RejectRole);
        QPushButton* allow = box->addButton(allowText(), QMessageBox::AcceptRole);
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
        QObject::connect(box, &QObject::destroyed, [this] { dismiss(); });
        box->open();
        return box;
    }

    QPointer<QMessageBox> m_settings;
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
