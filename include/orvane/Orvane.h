#pragma once

#include <memory>

#include <orvane/orvane_export.h>

#include <QColor>
#include <QObject>
#include <QString>
#include <QtGlobal>

class QWidget;

namespace orvane {

class OrvanePrivate;

// The host-facing facade. Configure once (initialize, then any setter) and present the offerwall.
// Settings go straight to the kit's key-value store and are read back by the part of the kit that
// needs them when it needs them. Call on the main thread.
//
// Signals tell the host what happened, always on the main thread, after the kit's own reaction
// (alerts, notifications) is under way; they change nothing the kit does.
class ORVANE_EXPORT Orvane final : public QObject {
    Q_OBJECT
public:
    static constexpr int TYPE_LIST_NATIVE = 1;
    static constexpr int TYPE_LIST_ICON = 2;
    static inline const QString TYPE_GENDER_UNKNOWN = QStringLiteral("0");
    static inline const QString TYPE_GENDER_MAN = QStringLiteral("1");
    static inline const QString TYPE_GENDER_WOMAN = QStringLiteral("2");
    static constexpr int TYPE_BENEFITS_DISPLAY_POPUP = 0;
    static constexpr int TYPE_BENEFITS_DISPLAY_LIST_TOP = 1;

    static Orvane& shared();

    // Accent colour of the screens (#FF5C5A) and colour of disabled controls (#A0A0A0). Screens
    // read them when they draw, so set them before presenting the offerwall.
    QColor orvaneColorPrimary() const;
    void setOrvaneColorPrimary(const QColor& color);
    QColor orvaneColorDisable() const;
    void setOrvaneColorDisable(const QColor& color);

    // Stores the host's keys and user id, and registers tracking usage as on by default.
    void initialize(const QString& mkey, const QString& mckey, const QString& userId);

    // A new offerwall at every call: a navigation container whose root is the main screen. The
    // caller owns it (embed it, or show it as a window of its own).
    QWidget* orvaneViewController();
    // Presents a new offerwall over `from`, animated, covering its window when `from` is one of the
    // kit's screens. Any other host widget gets the offerwall as a phone-sized window of its own,
    // modal to the host's window and deleted when it closes. The offerwall's close control
    // dismisses it.
    void presentOrvane(QWidget* from);
    // A new carousel at every call, not yet placed or sized: the host adds it to its own layout
    // and owns it.
    QWidget* orvaneCarouselView();

    void setMainTitle(const QString& mainTitle);
    void setListType(int listType);
    void setDebugEnabled(bool enabled);
    void setAge(int age);
    void setGender(const QString& gender);
    void setBenefitsType(int benefitsType);
    void setCopyRightVisibility(bool visibility);
    void setTrackingUsage(bool use);

    // The host's users are children (stored): requests then carry an all-zero advertising
    // identifier and no vendor identifier, whatever the tracking consent. Off by default; a
    // log-out keeps it, so set it for each user.
    void setChildDirected(bool childDirected);
    bool isChildDirected() const;

    // The bound of the image cache on disk, in bytes (stored; 100 MB by default, a value of 0 or
    // less restores it). The least recently used images are removed, off the main thread, when
    // the cache grows past it, and when the bound is lowered.
    void setImageCacheLimit(qint64 bytes);
    qint64 imageCacheLimit() const;

    // Logs the current user out: stops the user's participation polls, ignores the late replies
    // of every request made for them (polls, claims, joins), and forgets the user id, age and
    // gender and their pending participation checks. Call initialize() again for the next user;
    // the kit then starts clean. Rewards already reported stay remembered. A presented offerwall
    // is not closed.
    void logout();

    Orvane();
    ~Orvane();
    Q_DISABLE_COPY_MOVE(Orvane)

Q_SIGNALS:
    // Once per presentation: when the offerwall first appears, and when it goes away however it
    // goes (its close control, the no-campaign dialog, the host dismissing, closing or deleting
    // it).
    void offerwallShown();
    void offerwallClosed();
    // The landing page of campaign `campid` was opened, or its app launched.
    void participationStarted(qint64 campid);
    // Once per reward: a claim succeeded (reward type 1) or the server confirmed a credited reward
    // (type 2). `name`, `amount` and `mark` are the campaign's name, reward and price mark.
    void rewardConfirmed(qint64 campid, const QString& name, double amount, const QString& mark);
    // The partner server accepted an inquiry.
    void inquirySent();

private:
    // Room for state added later without changing the size of the class hosts compiled against.
    const std::unique_ptr<OrvanePrivate> d;
};

} // namespace orvane
