// The inquiry form against the sandbox, opened from the offerwall and driven by clicks: choices,
// validation, screenshots (limits, order, deletion), sending and what the server stored, failed
// sends; and its two widgets.

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QtTest>

#include "core/ApiList.h"
#include "core/KitResources.h"
#include "core/Localized.h"
#include "core/Log.h"
#include "orvane/Orvane.h"
#include "screens/inquiry/CheckBox.h"
#include "screens/inquiry/ItemScreenshotView.h"
#include "screens/inquiry/RequestViewController.h"
#include "screens/inquiry/ScreenshotLimits.h"
#include "screens/offerwall/OrvaneViewController.h"
#include "support/Fakes.h"
#include "support/SandboxFixture.h"
#include "support/TestSupport.h"
#include "ui/AlertController.h"
#include "ui/ImageView.h"
#include "ui/Label.h"
#include "ui/NavigationController.h"
#include "ui/Storyboard.h"
#include "ui/Views.h"

using namespace orvane;
using test::text;

Q_DECLARE_METATYPE(orvane::sandbox::Fault)

namespace {

const QString kInquiryPath = QStringLiteral("/api/cs");

QImage solid(int width, int height, QColor color) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(color);
    return image;
}

// The offerwall in a shown navigation stack, and the form opened by a click on its entry.
struct Screen {
    Screen() {
        Orvane::shared().setBenefitsType(Orvane::TYPE_BENEFITS_DISPLAY_LIST_TOP);
        nav.reset(qobject_cast<NavigationController*>(
            Storyboard::instantiateInitialViewController(OrvaneViewController::kStoryboardName)));
        QVERIFY(nav);
        nav->show();
        nav->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(nav.get()));
        QTest::mouseClick(nav->findChild<QWidget*>(QStringLiteral("b_inquiry")), Qt::LeftButton);
        form = qobject_cast<RequestViewController*>(nav->topViewController());
        QVERIFY(form);
    }

    // Picks `choice` in the sheet that a click on `area` opens.
    void choose(QWidget* area, const QString& choice) {
        QTest::mouseClick(area, Qt::LeftButton);
        AlertController* sheet = AlertController::visibleAlert();
        QVERIFY(sheet && sheet->actionButton(choice));
        QTest::mouseClick(sheet->actionButton(choice), Qt::LeftButton);
    }
    // Clicks into `field` (or `clickOn`) and types `value`.
    void type(QWidget* field, const QString& value, QWidget* clickOn = nullptr) {
        QTest::mouseClick(clickOn ? clickOn : field, Qt::LeftButton);
        QTest::keyClicks(field, value);
    }
    // Everything filled in and valid, kind "other", consent given.
    void fill(const QString& phone = QStringLiteral("01012345678"),
              const QString& email = QStringLiteral("kim@mail.example.com"),
              const QString& inquiry = QStringLiteral("My reward never arrived.")) {
        type(form->tf_name, QStringLiteral("Kim Mina"));
        type(form->tf_phone, phone);
        type(form->tf_email, email);
        if (!inquiry.isEmpty())
            type(form->tv_input_inquiry, inquiry, form->tv_input_inquiry->viewport());
        choose(form->v_request_type, text("ov_request_type_etc"));
        QTest::mouseClick(form->b_agree, Qt::LeftButton);
    }
    void attach(bool expectSheet = true) {
        QTest::mouseClick(form->iv_attach, Qt::LeftButton);
        if (expectSheet)
            QTest::mouseClick(
                AlertController::visibleAlert()->actionButton(text("ov_select_photo")),
                Qt::LeftButton);
    }
    // The message of the alert that comes up next, confirmed.
    QString alertMessage() {
        if (!QTest::qWaitFor([] { return AlertController::visibleAlert() != nullptr; }))
            return QStringLiteral("<no alert>");
        AlertController* alert = AlertController::visibleAlert();
        const QString message = alert->message();
        alert->tapAction(text("ov_confirm"));
        return message;
    }

    std::unique_ptr<NavigationController> nav;
    RequestViewController* form = nullptr;
};

// The inquiries the sandbox stored, read through its control endpoint.
QJsonArray storedInquiries(test::SandboxFixture& sandbox) {
    QNetworkAccessManager manager;
    std::unique_ptr<QNetworkReply> reply(manager.get(QNetworkRequest(
        QUrl(sandbox.server().baseUrl() + QStringLiteral("/__sandbox/inquiries")))));
    QSignalSpy finished(reply.get(), &QNetworkReply::finished);
    if (!finished.wait(10000))
        return {};
    return QJsonDocument::fromJson(reply->readAll()).object().value("inquiries").toArray();
}

QString field(const QJsonObject& inquiry, const QString& name) {
    for (const QJsonValue& f : inquiry.value("fields").toArray()) {
        if (f.toObject().value("name").toString() == name)
            return f.toObject().value("value").toString();
    }
    return QStringLiteral("<none>");
}

} // namespace

class TstInquiry : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() {
        Log::setDisplayLog(true);
        setLocalizationLanguage(QStringLiteral("en"));
        OrvaneViewController::registerStoryboard();
    }
    void init() {
        m_sandbox = std::make_unique<test::SandboxFixture>();
        QVERIFY2(m_sandbox->ok(), qPrintable(m_sandbox->errorString()));
        m_picker = &test::FakeImagePicker::install();
    }
    void cleanup() { m_sandbox.reset(); }

    void checkBoxTogglesBeforeTheFormSeesTheClick();
    void screenshotItemHoldsItsContents();
    void kindSheetAndCampaignArea();
    void phone_data();
    void phone();
    void email_data();
    void email();
    void attachSheetAndCountLimit();
    void sizeLimit_data();
    void sizeLimit();
    void deleteTheMiddleAndSendInPickOrder();
    void failedSendKeepsTheForm_data();
    void failedSendKeepsTheForm();
    void keyboardInset();

private:
    std::unique_ptr<test::SandboxFixture> m_sandbox;
    test::FakeImagePicker* m_picker = nullptr;
};

void TstInquiry::checkBoxTogglesBeforeTheFormSeesTheClick() {
    CheckBox box(QStringLiteral("I agree"));
    box.resize(160, 30);
    box.show();
    QVERIFY(!box.checkBoxResouces().onImage.isNull());
    QVERIFY(!box.isChecked());
    QCOMPARE(box.image(), kitImage(kUncheckedBoxImage));

    QList<bool> seen;
    box.onTap([&] { seen << box.isChecked(); });
    connect(&box, &QAbstractButton::clicked, this, [&] { seen << box.isChecked(); });
    QTest::mouseClick(&box, Qt::LeftButton);
    QCOMPARE(seen, QList<bool>({true, true}));
    QCOMPARE(box.image(), kitImage(kTickBoxImage));
    QTest::mouseClick(&box, Qt::LeftButton);
    QVERIFY(!box.isChecked());
    QCOMPARE(box.image(), kitImage(kUncheckedBoxImage));

    QSignalSpy changes(&box, &CheckBox::checkedChanged);
    box.setChecked(true);
    box.setChecked(true);
    QCOMPARE(changes.size(), 1);
    QCOMPARE(box.image(), kitImage(kTickBoxImage));
}

void TstInquiry::screenshotItemHoldsItsContents() {
    std::unique_ptr<QWidget> made(Storyboard::instantiateView(ItemScreenshotView::kViewIdentifier));
    auto* item = qobject_cast<ItemScreenshotView*>(made.get());
    QVERIFY(item);
    QCOMPARE(item->iv_screenshot_delete->parentWidget()->parentWidget(), item);
    QCOMPARE(item->iv_screenshot->parentWidget(), item->contentsView());
    QCOMPARE(item->contentsView()->geometry(), QRect(0, 0, 0, 0));
    item->resize(70, 70);
    item->show();
    QCOMPARE(item->contentsView()->geometry(), QRect(0, 0, 70, 70));
    QVERIFY(item->iv_screenshot_delete->geometry().intersects(item->iv_screenshot->geometry()));
}

void TstInquiry::kindSheetAndCampaignArea() {
    m_sandbox->server().setFault("/api/cs/user_camp_list", [] {
        sandbox::Fault noCampaigns;
        noCampaigns.patch = {{"camp", QJsonArray()}};
        return noCampaigns;
    }());
    Screen s;
    RequestViewController* form = s.form;
    QCOMPARE(form->l_request_type->plainText(), text("ov_request_type_select"));
    QVERIFY(!form->b_positive->isEnabled());
    QTRY_VERIFY(form->l_agree_contents->text().contains("3 months"));

    // The grey hint in the text view is no inquiry.
    s.fill(QStringLiteral("01012345678"), QStringLiteral("kim@mail.example.com"), QString());
    QCOMPARE(form->b_positive->backgroundColor(), Orvane::shared().orvaneColorPrimary());
    QTest::mouseClick(form->b_positive, Qt::LeftButton);
    QCOMPARE(s.alertMessage(), text("ov_enter_all"));
    s.type(form->tv_input_inquiry, QStringLiteral("Where is it?"),
           form->tv_input_inquiry->viewport());
    s.choose(form->v_request_type, text("ov_request_type_savings"));
    QVERIFY(form->v_ad_select->isVisible());
    QTest::mouseClick(form->b_positive, Qt::LeftButton);
    QCOMPARE(s.alertMessage(), text("ov_enter_all"));
    QTest::mouseClick(form->v_ad_select, Qt::LeftButton);
    QCOMPARE(s.alertMessage(), text("ov_not_campaign"));

    // The sheet ticks the current kind; another kind hides the area again.
    QTest::mouseClick(form->v_request_type, Qt::LeftButton);
    AlertController* sheet = AlertController::visibleAlert();
    QVERIFY(sheet->actionButton(text("ov_request_type_savings"))->showsCheckMark());
    QVERIFY(!sheet->actionButton(text("ov_request_type_etc"))->showsCheckMark());
    QTest::mouseClick(sheet->actionButton(text("ov_request_type_service_obstacle")),
                      Qt::LeftButton);
    QVERIFY(!form->v_ad_select->isVisible());

    // Cancel returns to the offerwall.
    QTest::mouseClick(form->b_negative, Qt::LeftButton);
    QTRY_VERIFY(qobject_cast<OrvaneViewController*>(s.nav->topViewController()));
}

void TstInquiry::phone_data() {
    QTest::addColumn<QString>("phone");
    QTest::addColumn<bool>("valid");
    QTest::newRow("010 and eight digits") << "01012345678" << true;
    QTest::newRow("011 and seven digits") << "0111234567" << true;
    QTest::newRow("017 and seven digits") << "0171234567" << true;
    QTest::newRow("016") << "0161234567" << false;
    QTest::newRow("comma third") << "01,1234567" << false;
    QTest::newRow("space third") << "01 12345678" << false;
    QTest::newRow("starts 02") << "0212345678" << false;
    QTest::newRow("hyphens") << "010-1234-5678" << false;
    QTest::newRow("nine digits after") << "010123456789" << false;
    QTest::newRow("six digits after") << "010123456" << false;
}

void TstInquiry::phone() {
    QFETCH(QString, phone);
    QFETCH(bool, valid);
    Screen s;
    s.fill(phone);
    QTest::mouseClick(s.form->b_positive, Qt::LeftButton);
    QCOMPARE(s.alertMessage(), valid ? text("ov_inquiry_done") : text("ov_not_phone_form"));
}

void TstInquiry::email_data() {
    QTest::addColumn<QString>("email");
    QTest::addColumn<bool>("valid");
    QTest::newRow("sub-domain and plus") << "kim.mina+cs@mail.example.com" << true;
    QTest::newRow("two letters last") << "a@b.kr" << true;
    QTest::newRow("no dot after the at sign") << "kim@localhost" << false;
    QTest::newRow("one letter last") << "kim@mail.c" << false;
    QTest::newRow("no at sign") << "kim.mail.com" << false;
    QTest::newRow("text after the address") << "kim@mail.com x" << false;
}

void TstInquiry::email() {
    QFETCH(QString, email);
    QFETCH(bool, valid);
    Screen s;
    s.fill(QStringLiteral("01012345678"), email);
    QTest::mouseClick(s.form->b_positive, Qt::LeftButton);
    QCOMPARE(s.alertMessage(), valid ? text("ov_inquiry_done") : text("ov_not_email_form"));
}

void TstInquiry::attachSheetAndCountLimit() {
    Screen s;
    m_picker->images = {solid(40, 30, Qt::red), solid(40, 30, Qt::green)};
    QTest::mouseClick(s.form->iv_attach, Qt::LeftButton);
    QStringList titles;
    for (const AlertAction& action : AlertController::visibleAlert()->actions())
        titles << action.title();
    QCOMPARE(titles, QStringList({text("ov_cancel"), text("ov_select_photo")}));
    AlertController::visibleAlert()->tapAction(text("ov_select_photo"));
    QCOMPARE(m_picker->lastLimit, 3);
    QTRY_COMPARE(s.form->sv_screenshot->arrangedSubviews().size(), 2);

    // With two attached the picker may add one; a camera adds its action.
    m_picker->camera = true;
    m_picker->images = {solid(40, 30, Qt::blue), solid(40, 30, Qt::yellow)};
    QTest::mouseClick(s.form->iv_attach, Qt::LeftButton);
    QVERIFY(AlertController::visibleAlert()->actionButton(text("ov_shoot_photo")));
    AlertController::visibleAlert()->tapAction(text("ov_select_photo"));
    QCOMPARE(m_picker->lastLimit, 1);
    QTRY_COMPARE(s.form->screenShotList().size(), 3);

    s.attach(false);
    QCOMPARE(AlertController::visibleAlert()->style(), AlertController::Style::Alert);
    QCOMPARE(s.alertMessage(), text("ov_max_image_3"));
    QCOMPARE(m_picker->picks, 2);
}

void TstInquiry::sizeLimit_data() {
    QTest::addColumn<qsizetype>("bytes");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("exactly 3 MiB") << qsizetype(3145728) << true;
    QTest::newRow("one byte over") << qsizetype(3145729) << false;
}

void TstInquiry::sizeLimit() {
    QFETCH(qsizetype, bytes);
    QFETCH(bool, accepted);
    QCOMPARE(screenshotFits(bytes), accepted);
    Screen s;
    s.form->setJpegEncoder([bytes](const QImage&) { return QByteArray(bytes, 'j'); });
    m_picker->images = {solid(40, 30, Qt::red)};
    s.attach();
    if (accepted) {
        QTRY_COMPARE(s.form->sv_screenshot->arrangedSubviews().size(), 1);
        QVERIFY(!AlertController::visibleAlert());
    } else {
        QCOMPARE(s.alertMessage(), text("ov_max_image_size_3mb"));
        QVERIFY(s.form->screenShotList().isEmpty());
    }
}

void TstInquiry::deleteTheMiddleAndSendInPickOrder() {
    ApiList().getJoin(QStringLiteral("103"), [](const ApiResult&) {});
    QTRY_COMPARE(m_sandbox->server().requestsTo("/v1/join").size(), 1);
    Screen s;
    RequestViewController* form = s.form;
    QTRY_VERIFY(form->adList() && !form->adList()->isEmpty());
    const Camp camp = form->adList()->first();

    // The first picture takes longest to encode: the three still attach in pick order.
    QImage noise(1200, 900, QImage::Format_RGB32);
    for (int y = 0; y < noise.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(noise.scanLine(y));
        for (int x = 0; x < noise.width(); ++x)
            line[x] = qRgb((x * 7919 + y * 104729) % 251, (x * y) % 253, (x ^ y) & 255);
    }
    m_picker->images = {noise, solid(50, 30, Qt::green), solid(60, 30, Qt::blue)};
    s.attach();
    QTRY_COMPARE(form->screenShotList().size(), 3);
    QCOMPARE(form->screenShotList().first().size(), noise.size());
    auto* middle = qobject_cast<ItemScreenshotView*>(form->sv_screenshot->arrangedSubviews().at(1));
    QTest::mouseClick(middle->iv_screenshot_delete, Qt::LeftButton);
    QCOMPARE(form->screenShotList().size(), 2);
    QCOMPARE(form->screenShotList().at(1).size(), QSize(60, 30));

    s.fill(QStringLiteral("0171234567"));
    s.choose(form->v_request_type, text("ov_request_type_savings"));
    s.choose(form->v_ad_select, *camp.name);
    QTest::mouseClick(form->b_positive, Qt::LeftButton);
    QCOMPARE(s.alertMessage(), text("ov_inquiry_done"));
    QTRY_VERIFY(qobject_cast<OrvaneViewController*>(s.nav->topViewController()));

    const QJsonArray stored = storedInquiries(*m_sandbox);
    QCOMPARE(stored.size(), 1);
    const QJsonObject inquiry = stored.first().toObject();
    QCOMPARE(field(inquiry, "name"), QStringLiteral("Kim Mina"));
    QCOMPARE(field(inquiry, "tel"), QStringLiteral("0171234567"));
    QCOMPARE(field(inquiry, "email"), QStringLiteral("kim@mail.example.com"));
    QCOMPARE(field(inquiry, "content"), QStringLiteral("My reward never arrived."));
    QCOMPARE(field(inquiry, "cstype"), QStringLiteral("reward"));
    QCOMPARE(field(inquiry, "campid"), QString::number(*camp.campid));
    QCOMPARE(field(inquiry, "userid"), m_sandbox->userId());
    const QJsonArray images = inquiry.value("images").toArray();
    QCOMPARE(images.size(), 2);
    QCOMPARE(images.at(0)["width"].toInt(), 1200);
    QCOMPARE(images.at(1)["width"].toInt(), 60);
    QCOMPARE(images.at(1)["format"].toString(), QStringLiteral("jpeg"));
}

void TstInquiry::failedSendKeepsTheForm_data() {
    QTest::addColumn<sandbox::Fault>("fault");
    QTest::newRow("HTTP 500") << sandbox::Fault::status(500);
    QTest::newRow("dropped connection") << sandbox::Fault::withBody(sandbox::Fault::Body::Drop);
    QTest::newRow("result 500") << sandbox::Fault::resultCode(500);
    QTest::newRow("not JSON") << sandbox::Fault::withBody(sandbox::Fault::Body::Malformed);
}

void TstInquiry::failedSendKeepsTheForm() {
    QFETCH(sandbox::Fault, fault);
    m_sandbox->server().setFault(kInquiryPath, fault);
    Screen s;
    m_picker->images = {solid(40, 30, Qt::red)};
    s.attach();
    QTRY_COMPARE(s.form->screenShotList().size(), 1);
    s.fill();
    QTest::mouseClick(s.form->b_positive, Qt::LeftButton);
    QCOMPARE(s.alertMessage(), text("ov_try_again"));
    QVERIFY(!s.form->isSending());
    QVERIFY(!s.nav->findChild<ActivityOverlay*>()->isVisible());
    QCOMPARE(s.form->tf_name->text(), QStringLiteral("Kim Mina"));
    QCOMPARE(s.form->l_request_type->plainText(), text("ov_request_type_etc"));
    QCOMPARE(s.form->screenShotList().size(), 1);

    m_sandbox->server().clearFault(kInquiryPath);
    QTest::mouseClick(s.form->b_positive, Qt::LeftButton);
    QCOMPARE(s.alertMessage(), text("ov_inquiry_done"));
    const QJsonArray stored = storedInquiries(*m_sandbox);
    QVERIFY(!stored.isEmpty());
    QCOMPARE(stored.last()["images"].toArray().size(), 1);
}

void TstInquiry::keyboardInset() {
    Screen s;
    const int height = s.nav->height();
    s.form->onKeyboardRectangle(QRectF(0, height - 300, 390, 300));
    QCOMPARE(s.form->sv_main->contentInsets().bottom(), 300);
    s.form->onKeyboardRectangle(QRectF());
    QCOMPARE(s.form->sv_main->contentInsets().bottom(), 0);
}

QTEST_MAIN(TstInquiry)
#include "tst_inquiry.moc"
