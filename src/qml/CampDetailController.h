#pragma once

#include <QColor>
#include <QObject>
#include <QString>
#include <QUrl>
#include <QVariant>
#include <QtQml/qqmlregistration.h>

namespace orvane {

class DetailFlow;

// The detail page of one campaign for QML (CampDetailPage.qml), as the Widgets detail page: the
// picture (`viewurl`, else `nativeurl`) or the icon, the name, the description with the reward,
// the participation instructions, the common notice text and one action button, whose states and
// requests are the shared DetailFlow's. "action_detail_finish" asks the page to close
// (finishRequested). The flow's alerts show on the screen the page was opened from. Main thread
// only. (Not final: the QML engine derives from the types it creates.)
class CampDetailController : public QObject {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(QVariant campaign READ campaign WRITE setCampaign NOTIFY campaignChanged)
    Q_PROPERTY(qint64 campId READ campId NOTIFY campaignChanged)
    Q_PROPERTY(QString name READ name NOTIFY campaignChanged)
    Q_PROPERTY(QString description READ description NOTIFY campaignChanged)
    Q_PROPERTY(QString rewardText READ rewardText NOTIFY campaignChanged)
    Q_PROPERTY(QString instructions READ instructions NOTIFY campaignChanged)
    Q_PROPERTY(QString notice READ notice NOTIFY noticeChanged)
    Q_PROPERTY(QUrl pictureUrl READ pictureUrl NOTIFY campaignChanged)
    Q_PROPERTY(QUrl iconUrl READ iconUrl NOTIFY campaignChanged)
    Q_PROPERTY(ButtonState buttonState READ buttonState NOTIFY buttonChanged)
    Q_PROPERTY(QString buttonTitle READ buttonTitle NOTIFY buttonChanged)

public:
    // As DetailFlow::State.
    enum class ButtonState { Loading, Join, ParticipationCheck, Accumulate };
    Q_ENUM(ButtonState)

    explicit CampDetailController(QObject* parent = nullptr);
    ~CampDetailController() override;
    Q_DISABLE_COPY_MOVE(CampDetailController)

    // A campaign of OfferwallController::campaign(). Set once: the page then reports the view,
    // fetches the notice and binds the campaign's reward key. Later sets are ignored.
    QVariant campaign() const;
    void setCampaign(const QVariant& campaign);

    qint64 campId() const;
    QString name() const;
    // `rewarddesc` and `joindesc` as the server sent them (HTML; see styledHtml).
    QString description() const;
    QString rewardText() const;
    QString instructions() const;
    // The common notice text of the notice file (HTML), once it arrived.
    QString notice() const { return m_notice; }
    // The picture, when the campaign has a fetchable one; otherwise the icon's address.
    QUrl pictureUrl() const;
    QUrl iconUrl() const;
    ButtonState buttonState() const;
    QString buttonTitle() const;

    // A tap on the button: the action of its state (nothing while loading).
    Q_INVOKABLE void tap();

    // Server HTML as rich text for a Text item (see OfferwallController::descriptionHtml).
    Q_INVOKABLE static QString styledHtml(const QString& html, const QColor& color);
    Q_INVOKABLE static QString descriptionHtml(const QString& html, const QString& rewardText,
                                               const QColor& color, const QColor& accent,
                                               int amountPixelSize);

Q_SIGNALS:
    void campaignChanged();
    void noticeChanged();
    void buttonChanged();
    // "action_detail_finish": the page goes back to the root of its stack.
    void finishRequested();

private:
    DetailFlow* m_flow = nullptr; // made with the campaign
    QString m_notice;
};

} // namespace orvane
