// The inquiry form against the sandbox, opened from the offerwall and driven by clicks: choices,
// validation, screenshots (limits, order, deletion), sending and what the server stored, failed
// sends; and its check box.

#include <QJsonArray>
#include <QtTest>

#include "core/ApiList.h"
#include "core/KitResources.h"
#include "core/Localized.h"
#include "core/ScreenshotLimits.h"
#include "orvane/Orvane.h"
#include "screens/inquiry/CheckBox.h"
#include "screens/inquiry/ItemScreenshotView.h"
#include "screens/inquiry/RequestViewController.h"
#include "screens/offerwall/OrvaneViewController.h"
#include "support/ApiTestUtil.h"
#include "support/Fakes.h"
#include "support/GuiTest.h"
#include "ui/AlertController.h"
#include "ui/ImageView.h"
#include "ui/Label.h"
#include "ui/NavigationController.h"
#include "ui/Storyboard.h"
#include "ui/Views.h"

using namespace orvane;
using namespace Qt::StringLiterals;
using test::testImage;
using test::text;

namespace {

const QString kInquiryPath = u"/api/cs"_s;

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
        QTest::mouseClick(nav->findChild<QWidget*>(u"b_inquiry"_s), Qt::LeftButton);
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
    void fill(const QString& phone = u"01012345678"_s,
              const QString& email = u"kim@mail.example.com"_s,
              const QString& inquiry = u"My reward never arrived."_s) {
        type(form->tf_name, u"Kim Mina"_s);
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
            return u"<no alert>"_s;
        AlertController* alert = AlertController::visibleAlert();
        const QString message = alert->message();
        alert->tapAction(text("ov_confirm"));
        return message;
    }

    std::unique_ptr<NavigationController> nav;
    RequestViewController* form = nullptr;
};

} // namespace

class TstInquiry : public test::GuiTest {
    Q_OBJECT
    void initCase() override { OrvaneViewController::registerStoryboard(); }
    void initTest() override { m_picker = &test::FakeImagePicker::install(); }

private Q_SLOTS:
    void kindSheetAndCampaignArea() {
        sandbox::Fault noCampaigns;
        noCampaigns.patch = {{u"camp"_s, QJsonArray()}};
        server().setFault(u"/api/cs/user_camp_list"_s, noCampaigns);
        Screen s;
        RequestViewController* form = s.form;
        QVERIFY(s.nav->navigationBar()->backButton()->title().endsWith(text("ov_inquiry")));
        QCOMPARE(form->l_request_type->plainText(), text("ov_request_type_select"));
        QVERIFY(!form->b_positive->isEnabled());
        QTRY_VERIFY(form->l_agree_contents->text().contains("3 months"_L1));
        // The keyboard insets the form by its height.
        form->onKeyboardRectangle(QRectF(0, s.nav->height() - 300, 390, 300));
        QCOMPARE(form->sv_main->contentInsets().bottom(), 300);
        form->onKeyboardRectangle(QRectF());
        QCOMPARE(form->sv_main->contentInsets().bottom(), 0);

        // The grey hint in the text view is no inquiry.
        s.fill(u"01012345678"_s, u"kim@mail.example.com"_s, QString());
        // The check box has turned before the form reads it, and turns back.
        QCOMPARE(form->b_positive->backgroundColor(), Orvane::shared().orvaneColorPrimary());
        QCOMPARE(form->b_agree->image(), kitImage(kTickBoxImage));
        QTest::mouseClick(form->b_agree, Qt::LeftButton);
        QVERIFY(!form->b_positive->isEnabled());
        QCOMPARE(form->b_agree->image(), kitImage(kUncheckedBoxImage));
        QTest::mouseClick(form->b_agree, Qt::LeftButton);
        QTest::mouseClick(form->b_positive, Qt::LeftButton);
        QCOMPARE(s.alertMessage(), text("ov_enter_all"));
        s.type(form->tv_input_inquiry, u"Where is it?"_s, form->tv_input_inquiry->viewport());
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
    void contact_data() {
        QTest::addColumn<QString>("phone");
        QTest::addColumn<QString>("email");
        QTest::addColumn<QString>("message"); // the key of the alert
        const QString phone = u"01012345678"_s;
        const QString email = u"kim@mail.example.com"_s;
        const auto row = [](const char* name, const QString& p, const QString& e, const char* key) {
            QTest::newRow(name) << p << e << QString::fromLatin1(key);
        };
        for (const char* good : {"01012345678", "0111234567", "0171234567"})
            row(good, QString::fromLatin1(good), email, "ov_inquiry_done");
        for (const char* bad : {"0161234567", "01,1234567", "01 12345678", "0212345678",
                                "010-1234-5678", "010123456789", "010123456"})
            row(bad, QString::fromLatin1(bad), email, "ov_not_phone_form");
        row("sub-domain and plus", phone, u"kim.mina+cs@mail.example.com"_s, "ov_inquiry_done");
        row("two letters last", phone, u"a@b.kr"_s, "ov_inquiry_done");
        for (const char* bad : {"kim@localhost", "kim@mail.c", "kim.mail.com", "kim@mail.com x"})
            row(bad, phone, QString::fromLatin1(bad), "ov_not_email_form");
    }
    void contact() {
        QFETCH(QString, phone);
        QFETCH(QString, email);
        QFETCH(QString, message);
        Screen s;
        s.fill(phone, email);
        QTest::mouseClick(s.form->b_positive, Qt::LeftButton);
        QCOMPARE(s.alertMessage(), localized(message));
    }
    void attachSheetSizeAndCountLimits() {
        Screen s;
        // One byte over 3 MiB is refused, exactly 3 MiB attaches.
        QVERIFY(screenshotFits(3145728) && !screenshotFits(3145729));
        s.form->setJpegEncoder([](const QImage&) { return QByteArray(3145729, 'j'); });
        m_picker->images = {testImage(Qt::red)};
        s.attach();
        QCOMPARE(s.alertMessage(), text("ov_max_image_size_3mb"));
        QVERIFY(s.form->screenShotList().isEmpty());
        s.form->setJpegEncoder([](const QImage&) { return QByteArray(3145728, 'j'); });

        m_picker->images = {testImage(Qt::red), testImage(Qt::green)};
        QTest::mouseClick(s.form->iv_attach, Qt::LeftButton);
        QCOMPARE(AlertController::visibleAlert()->actions().size(), 2); // cancel, photo
        AlertController::visibleAlert()->tapAction(text("ov_select_photo"));
        QCOMPARE(m_picker->lastLimit, 3);
        QTRY_COMPARE(s.form->sv_screenshot->arrangedSubviews().size(), 2);

        // With two attached the picker may add one; a camera adds its action.
        m_picker->camera = true;
        m_picker->images = {testImage(Qt::blue), testImage(Qt::yellow)};
        QTest::mouseClick(s.form->iv_attach, Qt::LeftButton);
        QVERIFY(AlertController::visibleAlert()->actionButton(text("ov_shoot_photo")));
        AlertController::visibleAlert()->tapAction(text("ov_select_photo"));
        QCOMPARE(m_picker->lastLimit, 1);
        QTRY_COMPARE(s.form->screenShotList().size(), 3);

        s.attach(false);
        QCOMPARE(AlertController::visibleAlert()->style(), AlertController::Style::Alert);
        QCOMPARE(s.alertMessage(), text("ov_max_image_3"));
        QCOMPARE(m_picker->picks, 3);
    }
    void deleteTheMiddleAndSendInPickOrder() {
        ApiList().getJoin(u"103"_s, [](const ApiResult&) {});
        QTRY_COMPARE(requests(u"/v1/join"_s), 1);
        Screen s;
        RequestViewController* form = s.form;
        QTRY_VERIFY(form->adList() && !form->adList()->isEmpty());
        const Camp camp = form->adList()->first();

        // The first picture, the largest, takes longest to encode: the three still attach in pick
        // order.
        const QImage noise = testImage(Qt::red, 1200, 900);
        m_picker->images = {noise, testImage(Qt::green, 50, 30), testImage(Qt::blue, 60, 30)};
        s.attach();
        QTRY_COMPARE(form->screenShotList().size(), 3);
        QCOMPARE(form->screenShotList().first().size(), noise.size());
        auto* first =
            qobject_cast<ItemScreenshotView*>(form->sv_screenshot->arrangedSubviews().at(0));
        QVERIFY(first->iv_screenshot->image().width() <= 2 * first->width()); // a scaled preview
        auto* middle =
            qobject_cast<ItemScreenshotView*>(form->sv_screenshot->arrangedSubviews().at(1));
        QTest::mouseClick(middle->iv_screenshot_delete, Qt::LeftButton);
        QCOMPARE(form->screenShotList().size(), 2);
        QCOMPARE(form->screenShotList().at(1).size(), QSize(60, 30));

        s.fill(u"0171234567"_s);
        s.choose(form->v_request_type, text("ov_request_type_savings"));
        s.choose(form->v_ad_select, *camp.name);
        // A failed send keeps everything entered, for the next try.
        using sandbox::Fault;
        for (const Fault& fault : {Fault::status(500), Fault::withBody(Fault::Body::Malformed),
                                   Fault::resultCode(500)}) {
            server().setFault(kInquiryPath, fault);
            QTest::mouseClick(form->b_positive, Qt::LeftButton);
            QCOMPARE(s.alertMessage(), text("ov_try_again"));
            QVERIFY(!form->isSending() && !s.nav->findChild<ActivityOverlay*>()->isVisible());
        }
        server().clearFault(kInquiryPath);
        QTest::mouseClick(form->b_positive, Qt::LeftButton);
        QCOMPARE(s.alertMessage(), text("ov_inquiry_done"));
        QTRY_VERIFY(qobject_cast<OrvaneViewController*>(s.nav->topViewController()));

        const sandbox::Inquiry inquiry = server().inquiries().last();
        QStringList values;
        for (const char* field : {"name", "tel", "email", "content", "cstype", "campid", "userid"})
            values << inquiry.field(QString::fromLatin1(field));
        QCOMPARE(values, (QStringList{u"Kim Mina"_s, u"0171234567"_s, u"kim@mail.example.com"_s,
                                      u"My reward never arrived."_s, u"reward"_s,
                                      QString::number(*camp.campid), sandbox().userId()}));
        QCOMPARE(inquiry.images.size(), 2);
        QCOMPARE(QImage::fromData(inquiry.images.at(0).data, "JPEG").width(), 1200);
        QCOMPARE(QImage::fromData(inquiry.images.at(1).data, "JPEG").width(), 60);
    }

private:
    test::FakeImagePicker* m_picker = nullptr;
};

QTEST_MAIN(TstInquiry)
#include "tst_inquiry.moc"
