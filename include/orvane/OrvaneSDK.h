#pragma once

#include <memory>
#include <optional>

#include <orvane/orvane_export.h>

#include <QString>
#include <QtGlobal>

namespace orvane {

class OrvaneSDKPrivate;

/// @brief Host configuration of the server addresses.
///
/// Every server call reads it when the call is made, so a change affects the next request. Setting
/// hostUrl() replaces both bases: hostPartnerUrl() must then be set too. Values are not stored;
/// set them at start-up.
///
/// Thread: every call is thread-safe. Ownership: shared() is made on first use and lives until the
/// process ends.
class ORVANE_EXPORT OrvaneSDK final {
public:
    /// @brief The one instance.
    /// @return the host configuration.
    static OrvaneSDK& shared();

    /// @brief The replacement of the campaign API base, when set.
    /// @return the base address, or none for the configured default.
    std::optional<QString> hostUrl() const;
    /// @brief Replaces the campaign API base (for example "http://127.0.0.1:PORT/v1").
    /// @param url the base address; none goes back to the configured defaults of both bases.
    void setHostUrl(std::optional<QString> url);
    /// @brief The replacement of the partner API base, when set.
    /// @return the base address, or none.
    std::optional<QString> hostPartnerUrl() const;
    /// @brief Replaces the partner API base; read only while hostUrl() is set.
    /// @param url the base address (for example "http://127.0.0.1:PORT/api").
    void setHostPartnerUrl(std::optional<QString> url);
    /// @brief Whether inspection mode is on.
    /// @return true when campaign and participation requests carry "campinspect"="1".
    bool isInspect() const;
    /// @brief Turns inspection mode on or off (off by default).
    /// @param inspect true to mark campaign and participation requests with "campinspect"="1".
    void setIsInspect(bool inspect);

    /// @brief The override of the notice-file address, when set.
    /// @return the address, or none for the configured default.
    std::optional<QString> noticeUrlOverride() const;
    /// @brief Overrides the notice-file address, for test servers and demos. Only the host sets
    /// it: the kit reads no environment variable for it.
    /// @param url the address; none goes back to the configured default.
    void setNoticeUrlOverride(std::optional<QString> url);
    /// @brief The notice-file address in force.
    /// @return the override when set, else the configured default.
    QString noticeUrl() const;

    /// @brief Does nothing; kept for hosts that call it at start-up.
    void initialize() {}

private:
    OrvaneSDK();
    ~OrvaneSDK();
    Q_DISABLE_COPY_MOVE(OrvaneSDK)

    const std::unique_ptr<OrvaneSDKPrivate> d;
};

} // namespace orvane
