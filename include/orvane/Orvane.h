#pragma once

#include <memory>

#include <orvane/Reward.h>
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
    // Once per reward (per transaction id, across runs): a claim succeeded, or the server confirmed
    // a reward it credited by itself. For the host's screens; credit the ledger from the server's
    // own call to the host's server, which carries the same transaction id (see orvane::Reward).
    void rewardConfirmed(const orvane::Reward& reward);
    // The partner server accepted an inquiry.
    void inquirySent();

private:
    // Room for state added later without changing the size of the class hosts compiled against.
    const std::unique_ptr<OrvanePrivate> d;
};

} // namespace orvane
