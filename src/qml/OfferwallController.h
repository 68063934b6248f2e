#pragma once

#include <QColor>
#include <QList>
#include <QObject>
#include <QStringList>
#include <QtQml/qqmlregistration.h>

#include "core/CampListModel.h"
#include "participation/JoinPresenter.h"
#include "participation/JoinProtocol.h"

namespace orvane {

// The offerwall main screen for QML: owns the campaign list model, turns the view's taps into the
// model's and the participation flow's calls, and queues the alerts both raise (load failures, no
// campaigns, every message of the participation flow) for the view to show one at a time.
//
// start() is the screen appearing: it loads the list, registers this screen's presenter with the
// participation flow and tells the host the offerwall is shown; destruction tells it the offerwall
// closed. The same host events and texts as the Widgets screen. An embedded controller (a strip of
// campaigns on the host's own screen, CampCarousel) reports nothing to the host, logs a failed or
// empty load instead of alerting, and takes the flow's alerts only when one of its campaigns is
// tapped. Main thread only. (Not final: the QML engine derives from the types it creates.)
class OfferwallController : public QObject, public JoinProtocol {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(QAbstractItemModel* model READ itemModel CONSTANT)
    Q_PROPERTY(QString title READ title CONSTANT)
    Q_PROPERTY(bool tabBarHidden READ isTabBarHidden NOTIFY tabBarHiddenChanged)
    Q_PROPERTY(int segment READ segment WRITE selectGroup NOTIFY segmentChanged)
    Q_PROPERTY(QString sortTitle READ sortTitle NOTIFY sortTitleChanged)
    Q_PROPERTY(QString summaryText READ summaryText NOTIFY summaryChanged)
    Q_PROPERTY(bool summaryShown READ isSummaryShown NOTIFY summaryChanged)
    Q_PROPERTY(bool alertShown READ isAlertShown NOTIFY alertChanged)
    Q_PROPERTY(QString alertTitle READ alertTitle NOTIFY alertChanged)
    Q_PROPERTY(QString alertMessage READ alertMessage NOTIFY alertChanged)
    Q_PROPERTY(QStringList alertActions READ alertActions NOTIFY alertChanged)
    Q_PROPERTY(bool embedded READ isEmbedded WRITE setEmbedded NOTIFY embeddedChanged)

public:
    explicit OfferwallController(QObject* parent = nullptr);
    ~OfferwallController() override;
    Q_DISABLE_COPY_MOVE(OfferwallController)

    CampListModel* model() const { return m_model; }
    QAbstractItemModel* itemModel() const { return m_model; }
    // "STANDARD_MAIN_TITLE" when the host stored one, else the text of "ov_offerwall_title".
    QString title() const;
    bool isTabBarHidden() const { return m_model->isTabBarHidden(); }
    int segment() const { return m_model->selectedSegment(); }
    QString sortTitle() const { return m_model->sortTitle(); }
    QString summaryText() const { return m_summary; }
    // The summary card shows while the host chose the list-top display and a load brought one.
    bool isSummaryShown() const;

    // Set before start().
    bool isEmbedded() const { return m_embedded; }
    void setEmbedded(bool embedded);

    bool isAlertShown() const { return !m_alerts.isEmpty(); }
    QString alertTitle() const;
    QString alertMessage() const;
    QStringList alertActions() const;

    // Loads the list (with the list layout the host stored) and takes the participation flow's
    // alerts. Once; later calls only take the alerts back (the screen appearing again).
    Q_INVOKABLE void start();
    // The tab control: segment 0 the standard group, any other the purchase group.
    Q_INVOKABLE void selectGroup(int segment);
    // The sort button: the next sort mode.
    Q_INVOKABLE void clickSort();
    // A tap on the row's action: join (or the detail page, for a campaign that has one), the
    // participation check, or the reward claim, as the row's action role says (runCampTap). The
    // flow's alerts that follow show on this screen.
    Q_INVOKABLE void runAction(int row);
    // The campaign `campId` of the last applied reply, for a detail page (CampDetailController's
    // `campaign`); invalid when the reply has none.
    Q_INVOKABLE QVariant campaign(qint64 campId) const;
    // Closes the alert on top by its action `index`, then runs that action.
    Q_INVOKABLE void answerAlert(int index);
    // The close control: the host is asked to close the offerwall (closeRequested).
    Q_INVOKABLE void back();
    // A campaign description (server HTML) followed by the reward text, as rich text for a Text
    // item: no remote resources (they are dropped), the description in `color`, the reward bold in
    // `accent` (at `amountPixelSize`, or at the Text's size for 0).
    Q_INVOKABLE static QString descriptionHtml(const QString& html, const QString& rewardText,
                                               const QColor& color, const QColor& accent,
                                               int amountPixelSize = 0);
    // Server HTML as rich text for a Text item, as above, in `color` alone.
    static QString styledHtml(const QString& html, const QColor& color);

    // The presenter's way in: queues an alert (see QuickPresenter).
    void showAlert(const QString& title, const QString& message,
                   QList<JoinPresenter::Action> actions);

    // JoinProtocol: the flow's news of the campaign joined from this screen.
    void onParticipationCheckPossible() override;
    void onAccumulationPossible(qint64 campid, const QString& orvkey) override;

Q_SIGNALS:
    void tabBarHiddenChanged();
    void segmentChanged();
    void sortTitleChanged();
    void summaryChanged();
    void alertChanged();
    void embeddedChanged();
    // A row of a campaign with a detail page was tapped: the detail page is the host's to show.
    void detailRequested(qint64 campId);
    // The close control or the no-campaigns alert: the host closes the offerwall.
    void closeRequested();
    // A load brought the summary and the host chose the popup display: the view shows it.
    void benefitsPopupRequested();

private:
    struct PendingAlert {
        QString title;
        QString message;
        QList<JoinPresenter::Action> actions;
    };

    void showError(CampListModel::LoadFailure failure);
    void showNoCampaigns();
    void reportLoad(int count);
    void takeAlerts();

    CampListModel* m_model;
    QList<PendingAlert> m_alerts; // the first is on screen
    QString m_summary;
    bool m_started = false;
    bool m_embedded = false;
    bool m_shownToHost = false;
};

} // namespace orvane
