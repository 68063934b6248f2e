#include "qml/OfferwallController.h"

#include <memory>

#include <QRegularExpression>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>

#include "core/CampDisplay.h"
#include "core/HostEvents.h"
#include "core/KitConstants.h"
#include "core/Localized.h"
#include "core/Log.h"
#include "core/NotificationCenter.h"
#include "core/SettingsKeys.h"
#include "core/StyledText.h"
#include "core/UserDefaults.h"
#include "participation/ApiJoin.h"
#include "participation/CampTap.h"
#include "qml/QuickConsent.h"
#include "qml/QuickPresenter.h"

namespace orvane {

namespace {

QString text(const char* key) {
    return localized(QString::fromLatin1(key));
}

CampParticipation knownOf(qint64 campid) {
    const ApiJoin& flow = ApiJoin::shared();
    return {.keyHeld = flow.heldKey(campid).has_value(),
            .checkPending = flow.getPartiConfirmList().contains(campid)};
}

} // namespace

OfferwallController::OfferwallController(QObject* parent)
    : QObject(parent)
    , m_model(new CampListModel(this)) {
    m_model->setParticipationSource(knownOf);
    connect(m_model, &CampListModel::tabBarHiddenChanged, this,
            &OfferwallController::tabBarHiddenChanged);
    connect(m_model, &CampListModel::segmentChanged, this, &OfferwallController::segmentChanged);
    connect(m_model, &CampListModel::summaryReady, this, [this](const QString& summary) {
        // A reply applied: keys it carries replace those held.
        for (const QList<Camp>* camps : {&m_model->otherCampList(), &m_model->cpsCampList(),
                                         &m_model->otherHouseList(), &m_model->cpsHouseList()}) {
            ApiJoin::shared().releaseKeysCarriedBy(*camps);
        }
        m_summary = summary;
        Q_EMIT summaryChanged();
        if (!m_summary.isEmpty() &&
            UserDefaults::standard().integer(keys::kBenefitsDisplayType) == kBenefitsDisplayPopup)
            Q_EMIT benefitsPopupRequested();
    });
    connect(m_model, &CampListModel::loadFailed, this,
            [this](CampListModel::LoadFailure failure) { showError(failure); });
    connect(m_model, &CampListModel::noCampaigns, this, &OfferwallController::showNoCampaigns);
    connect(m_model, &CampListModel::loaded, this, &OfferwallController::reportLoad);
    connect(&ApiJoin::shared(), &ApiJoin::rewardKeyHeld, m_model,
            &CampListModel::participationChanged);
}

OfferwallController::~OfferwallController() {
    if (m_shownToHost)
        Q_EMIT HostEvents::shared().offerwallClosed();
}

QString OfferwallController::title() const {
    const std::optional<QString> mainTitle = UserDefaults::standard().string(keys::kMainTitle);
    return mainTitle && !mainTitle->isEmpty() ? *mainTitle : text("ov_offerwall_title");
}

bool OfferwallController::isSummaryShown() const {
    return !m_summary.isEmpty() &&
           UserDefaults::standard().integer(keys::kBenefitsDisplayType) != kBenefitsDisplayPopup;
}

void OfferwallController::setEmbedded(bool embedded) {
    if (embedded == m_embedded)
        return;
    if (m_started)
        Log::error("OfferwallController setEmbedded: the screen has started; ignored");
    else
        m_embedded = embedded;
    Q_EMIT embeddedChanged();
}

void OfferwallController::takeAlerts() {
    installQuickConsent();
    ApiJoin::shared().setPresenter(std::make_shared<QuickPresenter>(this));
}

void OfferwallController::start() {
    if (!m_embedded)
        takeAlerts();
    if (m_started)
        return;
    m_started = true;
    Log::info("OfferwallController start", m_embedded ? "(embedded)" : "");
    NotificationCenter::defaultCenter().addObserver(kActionListChange, this,
                                                    [this] { m_model->refreshList(); });
    m_model->setListType(static_cast<int>(UserDefaults::standard().integer(keys::kListType)));
    Q_EMIT sortTitleChanged();
    m_model->apiReq();
    if (m_embedded)
        return;
    m_shownToHost = true;
    Q_EMIT HostEvents::shared().offerwallShown();
}

void OfferwallController::selectGroup(int segment) {
    if (segment == m_model->selectedSegment())
        return;
    m_model->selectGroup(segment);
    Q_EMIT segmentChanged();
}

void OfferwallController::clickSort() {
    m_model->clickSort();
    Q_EMIT sortTitleChanged();
}

void OfferwallController::runAction(int row) {
    if (row < 0 || row >= m_model->rowCount()) {
        Log::error("OfferwallController runAction: no row", row);
        return;
    }
    const Camp camp = m_model->selectedAllCampList().at(row);
    const qint64 campid = camp.campid.value_or(0);
    takeAlerts();
    // A purchase row has no later action to offer, so it listens to nothing.
    const bool standard = campGroup(camp) == CampListModel::Group::Standard;
    runCampTap(camp,
               {.action = campAction(camp, knownOf(campid)),
                .listener = standard ? this : nullptr,
                .receivedKey = ApiJoin::shared().heldKey(campid),
                .openDetail = [this, campid] { Q_EMIT detailRequested(campid); }},
               "OfferwallController");
}

QVariant OfferwallController::campaign(qint64 campId) const {
    // The rows shown first: a house campaign may share its id with a regular one.
    for (const Camp& camp : m_model->selectedAllCampList()) {
        if (camp.campid == campId)
            return QVariant::fromValue(camp);
    }
    for (const QList<Camp>* camps : {&m_model->otherCampList(), &m_model->otherHouseList(),
                                     &m_model->cpsCampList(), &m_model->cpsHouseList()}) {
        for (const Camp& camp : *camps) {
            if (camp.campid == campId)
                return QVariant::fromValue(camp);
        }
    }
    Log::error("OfferwallController campaign: no campaign", campId);
    return {};
}

QString OfferwallController::alertTitle() const {
    return m_alerts.isEmpty() ? QString() : m_alerts.first().title;
}

QString OfferwallController::alertMessage() const {
    return m_alerts.isEmpty() ? QString() : m_alerts.first().message;
}

QStringList OfferwallController::alertActions() const {
    QStringList titles;
    if (!m_alerts.isEmpty()) {
        for (const JoinPresenter::Action& action : m_alerts.first().actions)
            titles << action.title;
    }
    return titles;
}

void OfferwallController::showAlert(const QString& title, const QString& message,
                                    QList<JoinPresenter::Action> actions) {
    if (!m_alerts.isEmpty())
        Log::info("OfferwallController alert queued behind the one shown:", message);
    m_alerts.append({title, message, std::move(actions)});
    // Every outcome of the flow comes with an alert: the rows' actions follow what it knows now.
    m_model->participationChanged();
    if (m_alerts.size() == 1)
        Q_EMIT alertChanged();
}

void OfferwallController::answerAlert(int index) {
    if (m_alerts.isEmpty() || index < 0 || index >= m_alerts.first().actions.size()) {
        Log::error("OfferwallController answerAlert: no action", index);
        return;
    }
    const std::function<void()> handler = m_alerts.takeFirst().actions.at(index).handler;
    Q_EMIT alertChanged();
    if (handler)
        handler();
    m_model->participationChanged();
}

void OfferwallController::back() {
    Log::info("OfferwallController back: the host is asked to close the offerwall");
    Q_EMIT closeRequested();
    Q_EMIT HostEvents::shared().closeRequested();
}

void OfferwallController::showError(CampListModel::LoadFailure failure) {
    if (m_embedded) {
        Log::error("OfferwallController: the campaigns could not be loaded:",
                   CampListModel::failureText(failure));
        return;
    }
    showAlert(text("ov_alarm"), CampListModel::failureText(failure),
              {JoinPresenter::Action{text("ov_confirm"), {}}});
    Q_EMIT HostEvents::shared().offerwallFailed(failure == CampListModel::LoadFailure::NotConfigured
                                                    ? HostEvents::Failure::NotConfigured
                                                    : HostEvents::Failure::ListLoadFailed);
}

void OfferwallController::showNoCampaigns() {
    if (m_embedded) {
        Log::info("OfferwallController: no campaigns to show");
        return;
    }
    showAlert(text("ov_alarm"), text("ov_not_ads"),
              {JoinPresenter::Action{text("ov_confirm"), [this] { back(); }}});
}

void OfferwallController::reportLoad(int count) {
    if (m_embedded)
        return;
    Q_EMIT HostEvents::shared().campaignsAvailable(count);
    if (count == 0) // the no-campaigns alert is up
        Q_EMIT HostEvents::shared().offerwallFailed(HostEvents::Failure::NoCampaigns);
}

void OfferwallController::onParticipationCheckPossible() {
    m_model->participationChanged();
}

void OfferwallController::onAccumulationPossible(qint64, const QString&) {
    m_model->participationChanged(); // the key is held by the flow (rewardKeyHeld)
}

namespace {

// `html` as a document in `color`, regular upright text: one colour and one face over the whole
// text, as the Widgets screens set it; the size comes from the Text item.
std::unique_ptr<QTextDocument> styledDocument(const QString& html, const QColor& color) {
    std::unique_ptr<QTextDocument> document = htmlToDocument(html);
    if (!document || document->toPlainText().trimmed().isEmpty()) {
        // Refused or nothing but markup: the words themselves.
        static const QRegularExpression tags(QStringLiteral("<[^>]*>"));
        document = std::make_unique<QTextDocument>();
        document->setPlainText(QString(html).remove(tags).simplified());
    }
    QTextCursor cursor(document.get());
    cursor.select(QTextCursor::Document);
    QTextCharFormat format;
    format.setForeground(color);
    format.setFontWeight(QFont::Normal);
    format.setFontItalic(false);
    format.setFontUnderline(false);
    cursor.mergeCharFormat(format);
    return document;
}

} // namespace

QString OfferwallController::styledHtml(const QString& html, const QColor& color) {
    return QTextDocumentFragment(styledDocument(html, color).get()).toHtml();
}

QString OfferwallController::descriptionHtml(const QString& html, const QString& rewardText,
                                             const QColor& color, const QColor& accent,
                                             int amountPixelSize) {
    std::unique_ptr<QTextDocument> document = styledDocument(html, color);
    QTextCursor cursor(document.get());
    cursor.movePosition(QTextCursor::End);
    // The amount and its mark stay on one line.
    QTextCharFormat amount;
    amount.setForeground(accent);
    amount.setFontWeight(QFont::Bold);
    if (amountPixelSize > 0) {
        QFont font;
        font.setPixelSize(amountPixelSize);
        font.setBold(true);
        amount.setFont(font, QTextCharFormat::FontPropertiesSpecifiedOnly);
    }
    cursor.insertText(QString(rewardText).replace(QLatin1Char(' '), QChar::Nbsp), amount);
    return QTextDocumentFragment(document.get()).toHtml();
}

} // namespace orvane
