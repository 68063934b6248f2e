#pragma once

#include <QColor>
#include <QObject>
#include <QUrl>
#include <QtQml/qqmlregistration.h>

#include "orvane/Reward.h"

class QQmlEngine;
class QJSEngine;

namespace orvane {

// The QML singleton "Orvane": the host's configuration and signals, forwarded to the C++ facade
// (Orvane::shared()), so a QML host and a C++ host configure the same kit and hear the same
// events. Also the kit's texts (text()) and the address of a campaign image for an Image item
// (imageSource()). Making it registers the kit's image provider with its engine.
class OrvaneQml final : public QObject {
    Q_OBJECT
    QML_NAMED_ELEMENT(Orvane)
    QML_SINGLETON
    Q_PROPERTY(QString mkey READ mkey NOTIFY settingsChanged)
    Q_PROPERTY(QString mckey READ mckey NOTIFY settingsChanged)
    Q_PROPERTY(QString userId READ userId NOTIFY settingsChanged)
    Q_PROPERTY(QString mainTitle READ mainTitle WRITE setMainTitle NOTIFY settingsChanged)
    // 1 native (banner) rows, 2 icon rows.
    Q_PROPERTY(int listType READ listType WRITE setListType NOTIFY settingsChanged)
    // 0 the summary in a popup, 1 at the top of the list.
    Q_PROPERTY(int benefitsType READ benefitsType WRITE setBenefitsType NOTIFY settingsChanged)
    // 0 unknown, 1 man, 2 woman.
    Q_PROPERTY(int gender READ gender WRITE setGender NOTIFY settingsChanged)
    Q_PROPERTY(int age READ age WRITE setAge NOTIFY settingsChanged)
    Q_PROPERTY(bool debugEnabled READ isDebugEnabled WRITE setDebugEnabled NOTIFY settingsChanged)
    Q_PROPERTY(bool copyRightVisibility READ copyRightVisibility WRITE setCopyRightVisibility NOTIFY
                   settingsChanged)
    Q_PROPERTY(bool trackingUsage READ trackingUsage WRITE setTrackingUsage NOTIFY settingsChanged)
    Q_PROPERTY(
        bool childDirected READ isChildDirected WRITE setChildDirected NOTIFY settingsChanged)
    Q_PROPERTY(
        qint64 imageCacheLimit READ imageCacheLimit WRITE setImageCacheLimit NOTIFY settingsChanged)
    Q_PROPERTY(QColor primaryColor READ primaryColor WRITE setPrimaryColor NOTIFY settingsChanged)
    Q_PROPERTY(
        QColor disabledColor READ disabledColor WRITE setDisabledColor NOTIFY settingsChanged)
    Q_PROPERTY(QString version READ version CONSTANT)

public:
    // One per engine: registers the image provider "orvane" with `qml`. (The constructor is
    // private: the engine uses this factory only for a type it cannot construct itself.)
    static OrvaneQml* create(QQmlEngine* qml, QJSEngine* js);

    QString mkey() const;
    QString mckey() const;
    QString userId() const;
    QString mainTitle() const;
    void setMainTitle(const QString& title);
    int listType() const;
    void setListType(int listType);
    int benefitsType() const;
    void setBenefitsType(int benefitsType);
    int gender() const;
    void setGender(int gender);
    int age() const;
    void setAge(int age);
    bool isDebugEnabled() const;
    void setDebugEnabled(bool enabled);
    bool copyRightVisibility() const;
    void setCopyRightVisibility(bool visible);
    bool trackingUsage() const;
    void setTrackingUsage(bool use);
    bool isChildDirected() const;
    void setChildDirected(bool childDirected);
    qint64 imageCacheLimit() const;
    void setImageCacheLimit(qint64 bytes);
    QColor primaryColor() const;
    void setPrimaryColor(const QColor& color);
    QColor disabledColor() const;
    void setDisabledColor(const QColor& color);
    static QString version();

    Q_INVOKABLE void initialize(const QString& mkey, const QString& mckey, const QString& userId);
    Q_INVOKABLE void logout();
    Q_INVOKABLE void closeOfferwall();
    // The kit's text for an "ov_" key in the current language (the host's texts first).
    Q_INVOKABLE static QString text(const QString& key);
    // "image://orvane/..." for a campaign image the image cache can fetch; empty otherwise.
    Q_INVOKABLE static QUrl imageSource(const QUrl& address);

Q_SIGNALS:
    void settingsChanged();
    void offerwallShown();
    void offerwallClosed();
    void participationStarted(qint64 campaignId);
    void rewardConfirmed(const orvane::Reward& reward);
    void inquirySent();
    // 0 not configured, 1 the list could not be loaded, 2 no campaigns.
    void offerwallFailed(int reason);
    void campaignsAvailable(int count);
    void closeRequested();

private:
    OrvaneQml();
};

} // namespace orvane
