#include "screens/inquiry/RequestViewController.h"

#include <QApplication>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QInputMethod>
#include <QPainter>
#include <QVBoxLayout>

#include "core/Localized.h"
#include "core/Log.h"
#include "core/StyledText.h"
#include "orvane/PlatformServices.h"
#include "screens/inquiry/CheckBox.h"
#include "screens/inquiry/ItemScreenshotView.h"
#include "ui/Accessibility.h"
#include "ui/AlertController.h"
#include "ui/Button.h"
#include "ui/ImageView.h"
#include "ui/Label.h"
#include "ui/NavigationController.h"
#include "ui/PlatformServicesUi.h"
#include "ui/Storyboard.h"
#include "ui/TapRecognizer.h"
#include "ui/Theme.h"
#include "ui/Views.h"

using namespace Qt::StringLiterals;

namespace orvane {

namespace {

const QColor kBorderColor = QColor::fromRgbF(227.0f / 255.0f, 227.0f / 255.0f, 227.0f / 255.0f, 1);
const QColor kPlaceholderColor(199, 199, 205);
const QColor kTextColor(Qt::black);
constexpr int kItemSide = 70;
constexpr int kThumbnailSide = kItemSide - ItemScreenshotView::kDeleteIconSize / 3;

QString text(const char* key) {
    return localized(QString::fromLatin1(key));
}

// A tap area drawn as a bordered row: the choice's label at the left, a chevron at the right.
QWidget* makeChoiceRow(const QString& objectName, Label* label, QWidget* parent) {
    auto* row = new QWidget(parent);
    row->setObjectName(objectName);
    row->setAttribute(Qt::WA_StyledBackground);
    row->setStyleSheet(QStringLiteral("#%1 { border: 1px solid %2; border-radius: 6px;"
                                      " background: white; }")
                           .arg(objectName, kBorderColor.name()));
    row->setMinimumHeight(44);
    row->setCursor(Qt::PointingHandCursor);
    label->setParent(row);
    label->setFont(ui::font(ui::kBodyFontSize));
    auto* chevron = new Label(QStringLiteral("\u25BE"), row);
    chevron->setTextColor(ui::secondaryTextColor());
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(12, 0, 12, 0);
    layout->addWidget(label, 1);
    layout->addWidget(chevron);
    return row;
}

// The attach control: a bordered square with a camera and a plus, drawn at twice its size.
QImage attachGlyph() {
    constexpr int side = kThumbnailSide * 2;
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(kBorderColor, 2));
    p.setBrush(QColor(250, 250, 252));
    p.drawRoundedRect(QRectF(1, 1, side - 2, side - 2), 16, 16);
    const QColor ink(142, 142, 147);
    p.setPen(QPen(ink, 4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    const QRectF body(side * 0.25, side * 0.36, side * 0.46, side * 0.32);
    p.drawRoundedRect(body, 6, 6);
    p.drawLine(QPointF(side * 0.42, body.top()), QPointF(side * 0.46, body.top() - side * 0.07));
    p.drawLine(QPointF(side * 0.46, body.top() - side * 0.07),
               QPointF(side * 0.54, body.top() - side * 0.07));
    p.drawLine(QPointF(side * 0.54, body.top() - side * 0.07), QPointF(side * 0.58, body.top()));
    p.drawEllipse(body.center(), side * 0.08, side * 0.08);
    // A small plus badge at the camera's lower right.
    const QPointF badge(body.right(), body.bottom());
    p.setPen(Qt::NoPen);
    p.setBrush(ui::accentColor());
    p.drawEllipse(badge, side * 0.11, side * 0.11);
    p.setPen(QPen(Qt::white, 3.5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(badge - QPointF(side * 0.05, 0), badge + QPointF(side * 0.05, 0));
    p.drawLine(badge - QPointF(0, side * 0.05), badge + QPointF(0, side * 0.05));
    p.end();
    image.setDevicePixelRatio(2);
    return image;
}

Label* makeCaption(const QString& caption, QWidget* parent) {
    auto* label = new Label(caption, parent);
    label->setFont(ui::font(ui::kSmallFontSize + 1, QFont::DemiBold));
    label->setTextColor(QColor(60, 60, 67));
    return label;
}

} // namespace

RequestViewController::RequestViewController(QWidget* parent)
    : ViewController(parent)
    , sv_main(new ScrollView(this))
    , l_request_type(new Label)
    , l_ad_select(new Label)
    , tf_name(new TextField)
    , tf_phone(new TextField)
    , tf_email(new TextField)
    , tv_input_inquiry(new TextView)
    , iv_attach(new ImageView)
    , sv_screenshot(new HStack)
    , l_agree_contents(new Label)
    , b_agree(new CheckBox)
    , b_negative(new Button(text("ov_cancel")))
    , b_positive(new Button(text("ov_send")))
    , m_form(new InquiryForm(this)) {
    installDesktopServices();
    setObjectName(kSceneIdentifier);

    auto* content = new QWidget;
    v_request_type = makeChoiceRow(QStringLiteral("v_request_type"), l_request_type, content);
    v_ad_select = makeChoiceRow(QStringLiteral("v_ad_select"), l_ad_select, content);
    l_request_type->setObjectName(QStringLiteral("l_request_type"));
    l_ad_select->setObjectName(QStringLiteral("l_ad_select"));

    const auto field = [](TextField* f, const char* name, const char* placeholder) {
        f->setObjectName(QString::fromLatin1(name));
        f->setPlaceholderText(text(placeholder));
        f->setMinimumHeight(44);
    };
    field(tf_name, "tf_name", "ov_name");
    field(tf_phone, "tf_phone", "ov_phone");
    field(tf_email, "tf_email", "ov_email");
    tf_phone->setInputMethodHints(Qt::ImhDialableCharactersOnly);
    tf_email->setInputMethodHints(Qt::ImhEmailCharactersOnly);

    tv_input_inquiry->setObjectName(QStringLiteral("tv_input_inquiry"));
    tv_input_inquiry->setFixedHeight(116);

    iv_attach->setObjectName(QStringLiteral("iv_attach"));
    iv_attach->setImage(attachGlyph());
    iv_attach->setFixedSize(kThumbnailSide, kThumbnailSide);
    iv_attach->setCursor(Qt::PointingHandCursor);
    sv_screenshot->setObjectName(QStringLiteral("sv_screenshot"));
    sv_screenshot->setSpacing(10);
    auto* attachRow = new QHBoxLayout;
    attachRow->setSpacing(10);
    attachRow->addWidget(iv_attach, 0, Qt::AlignBottom);
    attachRow->addWidget(sv_screenshot, 0, Qt::AlignBottom);
    m_attachHint = new Label(text("ov_attach_hint"), content);
    m_attachHint->setObjectName(QStringLiteral("l_attach_hint"));
    m_attachHint->setFont(ui::font(ui::kSmallFontSize));
    m_attachHint->setTextColor(ui::secondaryTextColor());
    attachRow->addWidget(m_attachHint, 1);

    // The consent text in a grey box, the box to tick under it.
    auto* consent = new QWidget(content);
    consent->setObjectName(QStringLiteral("v_agree"));
    consent->setAttribute(Qt::WA_StyledBackground);
    consent->setStyleSheet(QStringLiteral("#v_agree { background: #F6F6F8; border-radius: 8px; }"));
    l_agree_contents->setObjectName(QStringLiteral("l_agree_contents"));
    l_agree_contents->setFont(ui::font(ui::kSmallFontSize));
    l_agree_contents->setTextColor(QColor(140, 140, 140));
    l_agree_contents->setPlainText(text("ov_agree_contents"));
    b_agree->setObjectName(QStringLiteral("b_agree"));
    b_agree->setContentPadding(QMargins(0, 2, 0, 2));
    b_agree->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    // The sentence beside the box wraps; a tap on it ticks the box too.
    auto* agreeText = new Label(text("ov_agree"), consent);
    agreeText->setObjectName(QStringLiteral("l_agree"));
    agreeText->setFont(ui::font(ui::kSmallFontSize + 1, QFont::DemiBold));
    agreeText->setTextColor(QColor(28, 28, 30));
    agreeText->setCursor(Qt::PointingHandCursor);
    TapRecognizer::attach(agreeText, [this] { b_agree->click(); });
    auto* agreeRow = new QHBoxLayout;
    agreeRow->setSpacing(8);
    agreeRow->addWidget(b_agree, 0, Qt::AlignTop);
    agreeRow->addWidget(agreeText, 1);
    auto* consentLayout = new QVBoxLayout(consent);
    consentLayout->setContentsMargins(12, 10, 12, 10);
    consentLayout->setSpacing(8);
    consentLayout->addWidget(l_agree_contents);
    consentLayout->addLayout(agreeRow);

    b_negative->setObjectName(QStringLiteral("b_negative"));
    b_positive->setObjectName(QStringLiteral("b_positive"));
    for (Button* b : {b_negative, b_positive}) {
        b->setFontSize(ui::kBodyFontSize + 1, QFont::DemiBold);
        b->setCornerRadius(8);
        b->setMinimumHeight(48);
    }
    b_negative->setBackgroundColor(Qt::white);
    b_negative->setBorder(kBorderColor, 1);
    b_negative->setTitleColor(QColor(60, 60, 67));
    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(10);
    buttons->addWidget(b_negative, 1);
    buttons->addWidget(b_positive, 2);

    auto* column = new QVBoxLayout(content);
    column->setContentsMargins(16, 12, 16, 16);
    column->setSpacing(7);
    column->addWidget(makeCaption(text("ov_inquiry_type"), content));
    column->addWidget(v_request_type);
    column->addWidget(v_ad_select);
    column->addSpacing(6);
    column->addWidget(makeCaption(text("ov_contact"), content));
    column->addWidget(tf_name);
    column->addWidget(tf_phone);
    column->addWidget(tf_email);
    column->addSpacing(6);
    column->addWidget(makeCaption(text("ov_inquiry_contents"), content));
    column->addWidget(tv_input_inquiry);
    column->addLayout(attachRow);
    column->addSpacing(6);
    column->addWidget(consent);
    column->addSpacing(6);
    column->addLayout(buttons);
    column->addStretch(1);
    sv_main->setObjectName(QStringLiteral("sv_main"));
    sv_main->setContentView(content);

    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(0, 0, 0, 0);
    root->addWidget(sv_main);

    connect(m_form, &InquiryForm::agreeContentsArrived, this, [this](const QString& html) {
        std::optional<StyledText> styled = htmlToString(html);
        if (!styled) {
            Log::error("RequestViewController getAgreeContents : no consent text to show");
            return;
        }
        styled->setColor(QColor(140, 140, 140));
        styled->setFont(ui::font(ui::kSmallFontSize));
        l_agree_contents->setRichText(styled->toHtml());
    });
    connect(m_form, &InquiryForm::screenshotAdded, this, [this](int, const QImage& preview) {
        addScreenshotItem(preview);
        m_attachHint->hide();
    });
    connect(m_form, &InquiryForm::screenshotRefused, this,
            [this](const QString& messageKey) { alert(messageKey); });
    connect(m_form, &InquiryForm::sendFinished, this, &RequestViewController::sendFinished);
}

RequestViewController::~RequestViewController() {
    progressStop();
}

void RequestViewController::registerScene() {
    Storyboard::registerScene(kSceneIdentifier, [] { return new RequestViewController; });
    ItemScreenshotView::registerView();
}

void RequestViewController::viewDidAppear(bool) {
    m_backTitle.set(*this, text("ov_inquiry")); // loaded before it was pushed
}

void RequestViewController::viewDidLoad() {
    setLightAppearance();
    setTitle(text("ov_inquiry"));
    // The back button leading from this screen reads the form's name, as on the other screens.
    m_backTitle.set(*this, text("ov_inquiry"));

    tv_input_inquiry->setStyleSheet(
        QStringLiteral("QPlainTextEdit { border: 1px solid %1; border-radius: 6px; padding: 4px;"
                       " background: white; }"
                       " QPlainTextEdit:focus { border: 2px solid %2; padding: 3px; }")
            .arg(kBorderColor.name(), ui::accentColor().name()));
    b_positive->setTitleColor(Qt::white);
    b_positive->setBackgroundColor(ui::disabledColor());
    b_positive->setEnabled(false);

    l_request_type->setPlainText(text("ov_request_type_select"));
    l_ad_select->setPlainText(text("ov_ad_select"));
    v_ad_select->hide();

    TapRecognizer::attach(v_request_type, [this] { clickRequestType(); });
    TapRecognizer::attach(v_ad_select, [this] { clickAdSelect(); });
    TapRecognizer::attach(iv_attach, [this] { clickAttach(); });
    // The same controls for keyboard and screen-reader users, named by what they hold or do.
    ui::makeKeyboardControl(v_request_type, QString(), [this] { clickRequestType(); });
    ui::makeKeyboardControl(v_ad_select, QString(), [this] { clickAdSelect(); });
    ui::makeKeyboardControl(iv_attach, text("ov_a11y_add_screenshot"), [this] { clickAttach(); });
    nameChoices();
    tf_name->setAccessibleName(text("ov_name"));
    tf_phone->setAccessibleName(text("ov_phone"));
    tf_email->setAccessibleName(text("ov_email"));
    tv_input_inquiry->setAccessibleName(text("ov_inquiry_contents"));
    b_agree->setAccessibleName(text("ov_agree"));
    l_agree_contents->setAccessibleName(text("ov_agree_contents"));
    tv_input_inquiry->onBeginEditing([this](TextView&) { applyPlaceholder(true); });
    tv_input_inquiry->onEndEditing([this](TextView&) { applyPlaceholder(false); });
    applyPlaceholder(false);
    b_agree->onTap([this] { clickAgree(); });
    b_positive->onTap([this] { clickPositive(); });
    b_negative->onTap([this] { clickNegative(); });

    // The thumbnails show copies the size of their pixels.
    m_form->setPreviewSize(QSizeF(kThumbnailSide, kThumbnailSide) * devicePixelRatioF());
    m_form->load();

    QInputMethod* input = QGuiApplication::inputMethod();
    connect(input, &QInputMethod::keyboardRectangleChanged, this,
            [this, input] { onKeyboardRectangle(input->keyboardRectangle()); });
}

void RequestViewController::clickRequestType() {
    present(AlertController::choiceSheet(
                text("ov_request_type_select"), m_form->kindLabels(), l_request_type->plainText(),
                [this](const AlertAction& a) { actionRequestType(a); }, text("ov_cancel")),
            true);
}

void RequestViewController::nameScreenshots() {
    const QList<QWidget*> items = sv_screenshot->arrangedSubviews();
    for (qsizetype i = 0; i < items.size(); ++i) {
        if (auto* item = qobject_cast<ItemScreenshotView*>(items.at(i))) {
            const QString number = QString::number(i + 1);
            item->iv_screenshot->setAccessibleName(text("ov_a11y_screenshot").arg(number));
            item->iv_screenshot_delete->setAccessibleName(
                text("ov_a11y_remove_screenshot").arg(number));
        }
    }
}

void RequestViewController::nameChoices() {
    v_request_type->setAccessibleName(text("ov_inquiry_type") + QStringLiteral(", ") +
                                      l_request_type->plainText());
    v_ad_select->setAccessibleName(l_ad_select->plainText());
}

void RequestViewController::actionRequestType(const AlertAction& action) {
    l_request_type->setPlainText(action.title());
    nameChoices();
    // Hiding keeps the campaign label: a campaign chosen earlier is still sent.
    v_ad_select->setVisible(InquiryForm::asksCampaign(action.title()));
}

void RequestViewController::clickAdSelect() {
    if (!adList() || adList()->isEmpty()) {
        alert(u"ov_not_campaign"_s);
        return;
    }
    present(AlertController::choiceSheet(
                text("ov_ad_select"), m_form->campaignNames(), l_ad_select->plainText(),
                [this](const AlertAction& a) { actionAdList(a); }, text("ov_cancel")),
            true);
}

void RequestViewController::actionAdList(const AlertAction& action) {
    l_ad_select->setPlainText(action.title());
    nameChoices();
}

void RequestViewController::clickAttach() {
    if (m_form->screenshotRoom() <= 0) {
        alert(u"ov_max_image_3"_s);
        return;
    }
    auto* sheet = new AlertController(QString(), QString(), AlertController::Style::ActionSheet);
    sheet->setObjectName(QStringLiteral("attachSheet"));
    QPointer<RequestViewController> self(this);
    sheet->addAction(AlertAction(text("ov_cancel"), AlertAction::Style::Cancel));
    if (PlatformServices::imagePicker().hasCamera()) {
        sheet->addAction(AlertAction(text("ov_shoot_photo"), AlertAction::Style::Default, [self] {
            if (self)
                self->presentCamera();
        }));
    }
    sheet->addAction(AlertAction(text("ov_select_photo"), AlertAction::Style::Default, [self] {
        if (self)
            self->presentAlbum();
    }));
    present(sheet, true);
}

void RequestViewController::presentAlbum() {
    const int limit = m_form->screenshotRoom();
    if (limit <= 0) {
        alert(u"ov_max_image_3"_s);
        return;
    }
    QPointer<RequestViewController> self(this);
    PlatformServices::imagePicker().pick(this, ImagePicker::Source::Library, limit,
                                         [self](const QList<QImage>& images) {
                                             if (self)
                                                 self->m_form->setScreenshots(images);
                                         });
}

void RequestViewController::presentCamera() {
    QPointer<RequestViewController> self(this);
    PlatformServices::imagePicker().pick(this, ImagePicker::Source::Camera, 1,
                                         [self](const QList<QImage>& images) {
                                             if (self && !images.isEmpty())
                                                 self->setScreenshot(images.first());
                                         });
}

void RequestViewController::addScreenshotItem(const QImage& preview) {
    auto* item = new ItemScreenshotView(QRect(0, 0, kItemSide, kItemSide));
    item->setFixedSize(kItemSide, kItemSide);
    item->iv_screenshot->setImage(preview);
    sv_screenshot->addArrangedSubview(item);
    QPointer<QWidget> icon(item->iv_screenshot_delete);
    TapRecognizer::attach(item->iv_screenshot_delete,
                          [this, icon] { clickScreenshotDelete(icon); });
    ui::makeKeyboardControl(item->iv_screenshot_delete, QString(),
                            [this, icon] { clickScreenshotDelete(icon); });
    ui::setAccessibleRole(item->iv_screenshot, QAccessible::Graphic);
    nameScreenshots();
}

void RequestViewController::clickScreenshotDelete(QWidget* deleteIcon) {
    QWidget* contents = deleteIcon ? deleteIcon->parentWidget() : nullptr;
    auto* item = qobject_cast<ItemScreenshotView*>(contents ? contents->parentWidget() : nullptr);
    // The stack and the list grow together, so the item's place is its image's place.
    const auto index = sv_screenshot->arrangedSubviews().indexOf(item);
    if (!item || index < 0 || index >= screenShotList().size()) {
        Log::error("RequestViewController clickScreenshotDelete : no screenshot for this icon");
        return;
    }
    const bool hadFocus = item->isAncestorOf(window()->focusWidget());
    m_form->removeScreenshot(static_cast<int>(index));
    sv_screenshot->removeArrangedSubview(item);
    m_attachHint->setVisible(screenShotList().isEmpty());
    nameScreenshots();
    if (hadFocus)
        iv_attach->setFocus(
            Qt::OtherFocusReason); // the keyboard user goes on from the attach control
    item->deleteLater();           // the tap that got here is still being delivered to it
}

void RequestViewController::clickAgree() {
    const bool agreed = b_agree->isChecked();
    b_positive->setEnabled(agreed);
    b_positive->setBackgroundColor(agreed ? ui::accentColor() : ui::disabledColor());
}

void RequestViewController::clickNegative() {
    if (NavigationController* nav = navigationController())
        nav->popToRootViewController(true);
    else if (presentingViewController())
        dismiss(true);
}

void RequestViewController::applyPlaceholder(bool editing) {
    const QString placeholder = text("ov_input_inquiry");
    if (editing && tv_input_inquiry->toPlainText() == placeholder) {
        tv_input_inquiry->clear();
        tv_input_inquiry->setTextColor(kTextColor);
    } else if (!editing && tv_input_inquiry->toPlainText().isEmpty()) {
        tv_input_inquiry->setPlainText(placeholder);
        tv_input_inquiry->setTextColor(kPlaceholderColor);
    }
}

QString RequestViewController::inquiryText() const {
    const QString content = tv_input_inquiry->toPlainText();
    return content == text("ov_input_inquiry") ? QString() : content;
}

InquiryDraft RequestViewController::draft() const {
    return {tf_name->text(),
            tf_phone->text(),
            tf_email->text(),
            inquiryText(),
            l_request_type->plainText(),
            !v_ad_select->isHidden(),
            l_ad_select->plainText()};
}

void RequestViewController::clickPositive() {
    if (isSending())
        return;
    if (const std::optional<QString> failure = InquiryForm::validationFailure(draft())) {
        alert(*failure);
        return;
    }
    postCS();
}

void RequestViewController::postCS() {
    progressStart();
    m_form->send(draft());
}

void RequestViewController::sendFinished(bool delivered) {
    progressStop();
    if (!delivered) {
        // Everything entered stays, so the user can send again.
        alert(u"ov_try_again"_s);
        return;
    }
    QPointer<RequestViewController> self(this);
    alert(u"ov_inquiry_done"_s, [self] {
        if (self)
            self->clickNegative();
    });
}

void RequestViewController::progressStart() {
    QWidget* target = navigationController();
    if (!target)
        target = window();
    vProgress = ActivityOverlay::on(target);
    if (vProgress)
        vProgress->start();
}

void RequestViewController::progressStop() {
    if (vProgress)
        vProgress->stop();
    vProgress = nullptr;
}

void RequestViewController::alert(const QString& messageKey, std::function<void()> confirm) {
    auto* alert = new AlertController(text("ov_alarm"), localized(messageKey));
    alert->addAction(
        AlertAction(text("ov_confirm"), AlertAction::Style::Default, std::move(confirm)));
    present(alert, false);
}

void RequestViewController::onKeyboardRectangle(const QRectF& windowRect) {
    if (windowRect.isEmpty()) {
        sv_main->setBottomContentInset(0);
        return;
    }
    const QRect keyboard = windowRect.toAlignedRect();
    const QRect local(mapFrom(window(), keyboard.topLeft()), keyboard.size());
    sv_main->setBottomContentInset(local.intersected(rect()).height());
    if (QWidget* focused = focusWidget(); focused && sv_main->isAncestorOf(focused))
        sv_main->ensureWidgetVisible(focused);
}

void RequestViewController::setJpegEncoder(JpegEncoder encoder) {
    m_form->setJpegEncoder(std::move(encoder));
}

} // namespace orvane
