#pragma once

#include <memory>

#include <orvane/Reward.h>
#include <orvane/orvane_export.h>
#include <orvane/version.h>

#include <QColor>
#include <QHash>
#include <QLocale>
#include <QObject>
#include <QString>
#include <QtGlobal>

class QWidget;

/// The kit's public API.
namespace orvane {

class OrvanePrivate;

/// @brief The host-facing facade: configure the kit once, then present the offerwall.
///
/// Reach it through shared(); it is made on first use and lives until the process ends. Settings
/// go straight to the kit's key-value store (under the "orvane/" group of the host application's
/// own settings, so they survive restarts) and are read back by the part of the kit that needs
/// them when it needs them: a changed setting affects the next request and the screens built
/// afterwards, not what is already on display.
///
/// Thread: every call, on the main (GUI) thread. Every signal is emitted on the main thread, after
/// the kit's own reaction (alert, notification) is under way; connecting to one changes nothing
/// the kit does.
class ORVANE_EXPORT Orvane final : public QObject {
    Q_OBJECT
    /// Accent colour of the screens; see orvaneColorPrimary().
    Q_PROPERTY(QColor orvaneColorPrimary READ orvaneColorPrimary WRITE setOrvaneColorPrimary)
    /// Colour of disabled controls; see orvaneColorDisable().
    Q_PROPERTY(QColor orvaneColorDisable READ orvaneColorDisable WRITE setOrvaneColorDisable)
    /// The host's first key, as stored by initialize().
    Q_PROPERTY(QString mkey READ mkey)
    /// The host's second key, as stored by initialize().
    Q_PROPERTY(QString mckey READ mckey)
    /// The host's identifier of the current user, as stored by initialize().
    Q_PROPERTY(QString userId READ userId)
    /// Title of the offerwall's navigation bar; see setMainTitle().
    Q_PROPERTY(QString mainTitle READ mainTitle WRITE setMainTitle)
    /// Layout of the campaign rows; see setListType().
    Q_PROPERTY(ListType listType READ listType WRITE setListType)
    /// Whether the kit writes its log; see setDebugEnabled().
    Q_PROPERTY(bool debugEnabled READ isDebugEnabled WRITE setDebugEnabled)
    /// The user's age sent with campaign requests; see setAge().
    Q_PROPERTY(int age READ age WRITE setAge)
    /// The user's gender sent with campaign requests; see setGender().
    Q_PROPERTY(Gender gender READ gender WRITE setGender)
    /// Where the rewards on offer are shown; see setBenefitsType().
    Q_PROPERTY(BenefitsDisplay benefitsType READ benefitsType WRITE setBenefitsType)
    /// Whether the copyright footer shows under the list; see setCopyRightVisibility().
    Q_PROPERTY(bool copyRightVisibility READ copyRightVisibility WRITE setCopyRightVisibility)
    /// Whether the kit asks for tracking consent before a join; see setTrackingUsage().
    Q_PROPERTY(bool trackingUsage READ trackingUsage WRITE setTrackingUsage)
    /// Whether the host's users are children; see setChildDirected().
    Q_PROPERTY(bool childDirected READ isChildDirected WRITE setChildDirected)
    /// The bound of the image cache on disk, in bytes; see setImageCacheLimit().
    Q_PROPERTY(qint64 imageCacheLimit READ imageCacheLimit WRITE setImageCacheLimit)

public:
    /// Layout of the campaign rows.
    enum class ListType {
        Native = 1, ///< rows showing the campaign's banner (native) image
        Icon = 2,   ///< rows showing the campaign's icon
    };
    Q_ENUM(ListType)

    /// The user's gender, sent with campaign requests as "0", "1" or "2".
    enum class Gender {
        Unknown = 0, ///< not given
        Man = 1,     ///< male
        Woman = 2,   ///< female
    };
    Q_ENUM(Gender)

    /// Where the amount of rewards the user can still receive is shown.
    enum class BenefitsDisplay {
        Popup = 0,   ///< in a popup over the list, once per load
        ListTop = 1, ///< in a line at the top of the list
    };
    Q_ENUM(BenefitsDisplay)

    /// Why offerwallFailed() fired.
    enum class Failure {
        NotConfigured,  ///< initialize() was never called, or the server addresses are incomplete
        ListLoadFailed, ///< the campaign list could not be fetched or read
        NoCampaigns,    ///< the campaign list came back without any campaign
    };
    Q_ENUM(Failure)

    /// @name Older form of the settings
    /// The int and text constants of the first version of the API, kept for existing callers.
    /// New code uses ListType, Gender and BenefitsDisplay, which store the same values.
    /// @{

    /// Older form of ListType::Native.
    static constexpr int TYPE_LIST_NATIVE = 1;
    /// Older form of ListType::Icon.
    static constexpr int TYPE_LIST_ICON = 2;
    /// Older form of Gender::Unknown.
    static inline const QString TYPE_GENDER_UNKNOWN = QStringLiteral("0");
    /// Older form of Gender::Man.
    static inline const QString TYPE_GENDER_MAN = QStringLiteral("1");
    /// Older form of Gender::Woman.
    static inline const QString TYPE_GENDER_WOMAN = QStringLiteral("2");
    /// Older form of BenefitsDisplay::Popup.
    static constexpr int TYPE_BENEFITS_DISPLAY_POPUP = 0;
    /// Older form of BenefitsDisplay::ListTop.
    static constexpr int TYPE_BENEFITS_DISPLAY_LIST_TOP = 1;
    /// @}

    /// @brief The one instance, made on first use; it is never destroyed.
    /// @return the facade. Thread: main thread.
    static Orvane& shared();

    /// @brief The version of the kit the host runs with.
    /// @return "MAJOR.MINOR.PATCH" of the library, equal to ORVANE_VERSION_STRING of the headers
    /// it was built with. Thread: any.
    static QString version();

    /// @brief Accent colour of the screens (default \#FF5C5A).
    /// @return the colour in force. Thread: main thread.
    QColor orvaneColorPrimary() const;
    /// @brief Sets the accent colour. Screens read it when they draw: set it before presenting.
    /// @param color the new accent colour. Thread: main thread.
    void setOrvaneColorPrimary(const QColor& color);
    /// @brief Colour of disabled controls (default \#A0A0A0).
    /// @return the colour in force. Thread: main thread.
    QColor orvaneColorDisable() const;
    /// @brief Sets the colour of disabled controls. Screens read it when they draw.
    /// @param color the new colour. Thread: main thread.
    void setOrvaneColorDisable(const QColor& color);

    /// @brief Stores the host's keys and its identifier of the current user, and registers
    /// tracking usage as on by default. Fetches nothing; call it before any screen is shown.
    /// @param mkey the host's first key (sent as "mkey").
    /// @param mckey the host's second key (sent as "mckey").
    /// @param userId the host's identifier of the current user.
    /// Thread: main thread.
    void initialize(const QString& mkey, const QString& mckey, const QString& userId);
    /// @brief The first key stored by initialize(); empty while never initialised.
    /// @return the key. Thread: main thread.
    QString mkey() const;
    /// @brief The second key stored by initialize(); empty while never initialised.
    /// @return the key. Thread: main thread.
    QString mckey() const;
    /// @brief The user identifier stored by initialize(); empty while never initialised.
    /// @return the identifier. Thread: main thread.
    QString userId() const;

    /// @brief Builds a new offerwall: a navigation container whose root is the campaign list.
    /// Every call builds a new one, which loads its list when first shown. Its close control,
    /// Escape at its root and the no-campaign dialog emit closeRequested(): an embedded offerwall
    /// is the host's to close.
    /// @param parent the widget that owns the offerwall; none gives the caller ownership.
    /// @return the offerwall, not yet shown. Thread: main thread.
    QWidget* orvaneViewController(QWidget* parent = nullptr);
    /// @brief Presents a new offerwall over `from`, animated. Over one of the kit's screens it
    /// covers that screen's window; over any other host widget it is a phone-sized window of its
    /// own, modal to the host's window. The kit owns it and deletes it when it closes (its close
    /// control, Escape at its root, the no-campaign dialog, or closeOfferwall()).
    /// @param from a widget of the host's window; nothing happens (an error is logged) when null.
    /// Thread: main thread.
    void presentOrvane(QWidget* from);
    /// @brief Builds a new carousel, not yet placed or sized, for the host's own layout.
    /// @param parent the widget that owns the carousel; none gives the caller ownership (a layout
    /// the carousel is added to takes it).
    /// @return the carousel. Thread: main thread.
    QWidget* orvaneCarouselView(QWidget* parent = nullptr);

    /// @brief Stores the title of the offerwall's navigation bar (stored; empty keeps the kit's).
    /// @param mainTitle the title. Thread: main thread.
    void setMainTitle(const QString& mainTitle);
    /// @brief The stored title; empty while never set.
    /// @return the title. Thread: main thread.
    QString mainTitle() const;

    /// @brief Stores the layout of the campaign rows.
    /// @param listType the layout. Thread: main thread.
    void setListType(ListType listType);
    /// @brief Older form of setListType(ListType): stores the number unchecked.
    /// @param listType TYPE_LIST_NATIVE or TYPE_LIST_ICON. Thread: main thread.
    void setListType(int listType);
    /// @brief The stored layout, exactly as stored: 0 while never set (the rows then show icons,
    /// in the recommended order), or any number the older form stored.
    /// @return the layout. Thread: main thread.
    ListType listType() const;

    /// @brief Turns the kit's log on or off (off by default; nothing is formatted while off).
    /// Not stored.
    /// @param enabled true to log. Thread: any.
    void setDebugEnabled(bool enabled);
    /// @brief Whether the kit's log is on.
    /// @return true while on. Thread: any.
    bool isDebugEnabled() const;

    /// @brief Stores the user's age, sent with campaign requests when not 0. Stored unchecked.
    /// @param age the age in years; 0 for none. Thread: main thread.
    void setAge(int age);
    /// @brief The stored age; 0 while never set.
    /// @return the age. Thread: main thread.
    int age() const;

    /// @brief Stores the user's gender, sent with campaign requests.
    /// @param gender the gender. Thread: main thread.
    void setGender(Gender gender);
    /// @brief Older form of setGender(Gender): stores the text unchecked and sends it as it is.
    /// @param gender TYPE_GENDER_UNKNOWN, TYPE_GENDER_MAN or TYPE_GENDER_WOMAN.
    /// Thread: main thread.
    void setGender(const QString& gender);
    /// @brief The stored gender: Gender::Unknown while never set, and for any text other than
    /// "1" and "2" that the older form stored.
    /// @return the gender. Thread: main thread.
    Gender gender() const;

    /// @brief Stores where the rewards on offer are shown.
    /// @param benefitsType the place. Thread: main thread.
    void setBenefitsType(BenefitsDisplay benefitsType);
    /// @brief Older form of setBenefitsType(BenefitsDisplay): stores the number unchecked; any
    /// number but 0 shows the rewards at the top of the list.
    /// @param benefitsType TYPE_BENEFITS_DISPLAY_POPUP or TYPE_BENEFITS_DISPLAY_LIST_TOP.
    /// Thread: main thread.
    void setBenefitsType(int benefitsType);
    /// @brief The place in force: BenefitsDisplay::Popup while never set or stored as 0,
    /// BenefitsDisplay::ListTop for any other number.
    /// @return the place. Thread: main thread.
    BenefitsDisplay benefitsType() const;

    /// @brief Stores whether the copyright footer shows under the list (hidden by default).
    /// @param visibility true to show it. Thread: main thread.
    void setCopyRightVisibility(bool visibility);
    /// @brief Whether the footer shows.
    /// @return the stored value; false while never set. Thread: main thread.
    bool copyRightVisibility() const;

    /// @brief Stores whether the kit asks for tracking consent before a join (default true once
    /// initialize() ran).
    /// @param use false never to ask. Thread: main thread.
    void setTrackingUsage(bool use);
    /// @brief Whether the kit asks for tracking consent before a join.
    /// @return the stored value, else true after initialize(), else false. Thread: main thread.
    bool trackingUsage() const;

    /// @brief Stores whether the host's users are children. Requests then carry an all-zero
    /// advertising identifier and no vendor identifier, whatever the tracking consent. Off by
    /// default; logout() keeps it, so set it for each user.
    /// @param childDirected true for a child-directed user. Thread: main thread.
    void setChildDirected(bool childDirected);
    /// @brief Whether requests are made for a child-directed user.
    /// @return the stored value; false while never set. Thread: main thread.
    bool isChildDirected() const;

    /// @brief Stores the bound of the image cache on disk. When the cache grows past it, and when
    /// the bound is lowered, the least recently used images are removed, off the main thread.
    /// @param bytes the bound in bytes; 0 or less restores the default of 100 MB.
    /// Thread: main thread.
    void setImageCacheLimit(qint64 bytes);
    /// @brief The bound of the image cache on disk in force.
    /// @return the bound in bytes (100 MB while never set). Thread: main thread.
    qint64 imageCacheLimit() const;

    /// @brief Replaces the host's own texts for one language: overrides of the kit's texts, or a
    /// language the kit has no table for.
    ///
    /// Keys are the kit's "ov_" text keys (the English table, src/resources/strings/en.json,
    /// lists them). A key the kit does not know, or a text whose "%1"-style placeholders differ
    /// from the kit's English text of that key, is refused with a warning; the other texts are
    /// taken. Texts are looked up in this order: the host's texts for the language in use, the
    /// kit's table for it, the host's English texts, the kit's English table. The language in use
    /// is that of the default QLocale (QLocale::setDefault()). Screens read texts when they are
    /// built, so set them before presenting the offerwall. An empty `texts` removes the host's
    /// texts for the language.
    /// @param locale the language the texts are for (its territory and script are ignored).
    /// @param texts the texts by key.
    /// @return true when every text was taken. Thread: any.
    bool setStrings(const QLocale& locale, const QHash<QString, QString>& texts);

public Q_SLOTS:
    /// @brief Closes every offerwall presented with presentOrvane() at once, without animation
    /// (for example at log-out). Does nothing when none is shown. Offerwalls the host embedded
    /// itself are the host's to close.
    /// Thread: main thread.
    void closeOfferwall();

    /// @brief Logs the current user out: stops the user's participation polls, ignores the late
    /// replies of every request made for them (polls, claims, joins), forgets the user id, age
    /// and gender, their pending participation checks and the reward keys held for them. Call
    /// initialize() for the next user; the kit then starts clean. Rewards already reported stay
    /// remembered, so none is reported twice. A presented offerwall is not closed: call
    /// closeOfferwall() too when it should go.
    /// Thread: main thread.
    void logout();

Q_SIGNALS:
    /// @brief An offerwall first appeared. Once per presentation, paired with offerwallClosed().
    void offerwallShown(QPrivateSignal);
    /// @brief An offerwall went away, however it went (its close control, the no-campaign dialog,
    /// closeOfferwall(), the host dismissing, hiding, closing or deleting it). Once per
    /// presentation.
    void offerwallClosed(QPrivateSignal);
    /// @brief The landing page of a campaign was opened, or its app launched.
    /// @param campid the campaign's id.
    void participationStarted(qint64 campid, QPrivateSignal);
    /// @brief A reward was confirmed: a claim succeeded (reward type 1) or the server confirmed a
    /// reward it credited by itself (type 2).
    ///
    /// Once per reward: the kit remembers the transaction ids it reported (the last 1,000, in its
    /// settings) and never emits the same id twice, in this run or after a restart. The signal is
    /// for the host's screens (a toast, a balance refresh); credit the user's ledger from the
    /// server's own signed call to the host's server, which carries the same transaction id.
    /// @param reward the campaign, transaction id, reward type, name, amount and mark.
    void rewardConfirmed(const orvane::Reward& reward, QPrivateSignal);
    /// @brief The partner server accepted an inquiry.
    void inquirySent(QPrivateSignal);
    /// @brief A shown offerwall could not show campaigns. Fires alongside the kit's own alert
    /// (never instead of it), once per failed list load: when the kit was never initialised or its
    /// server addresses are incomplete, when the list could not be fetched or read, and when it
    /// came back empty.
    /// @param reason what went wrong.
    void offerwallFailed(orvane::Orvane::Failure reason, QPrivateSignal);
    /// @brief A shown offerwall loaded its campaign list; after every load that brings a list,
    /// the empty one included (a load that fails emits offerwallFailed() only).
    /// @param count the campaigns of the list, of both groups, house campaigns included.
    void campaignsAvailable(int count, QPrivateSignal);
    /// @brief An offerwall the host embedded (orvaneViewController()) asks to be closed: its close
    /// control was clicked, Escape pressed at its root, or the no-campaign dialog confirmed. A
    /// presented offerwall closes itself instead and does not emit it.
    void closeRequested(QPrivateSignal);

private:
    Orvane();
    ~Orvane() override;
    Q_DISABLE_COPY_MOVE(Orvane)

    // Room for state added later without changing the size of the class hosts compiled against.
    const std::unique_ptr<OrvanePrivate> d;
};

} // namespace orvane
