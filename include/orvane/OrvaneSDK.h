#pragma once

#include <memory>
#include <optional>

#include <orvane/orvane_export.h>

#include <QString>
#include <QtGlobal>

namespace orvane {

class OrvaneSDKPrivate;

// Host configuration of the server addresses. Every endpoint-catalogue object reads it when it is
// made. Setting `hostUrl` replaces both bases: `hostPartnerUrl` must then be set too.
// Thread-safe; values are not persisted.
class ORVANE_EXPORT OrvaneSDK final {
public:
    static OrvaneSDK& shared();

    std::optional<QString> hostUrl() const;
    void setHostUrl(std::optional<QString> url);
    std::optional<QString> hostPartnerUrl() const;
    void setHostPartnerUrl(std::optional<QString> url);
    // Inspection mode: campaign and participation requests carry "campinspect"="1".
    bool isInspect() const;
    void setIsInspect(bool inspect);

    // Override of the notice-file address, for test servers and the demo. When absent, the
    // configured default applies. Only the host sets it: the kit reads no environment variable.
    std::optional<QString> noticeUrlOverride() const;
    void setNoticeUrlOverride(std::optional<QString> url);
    // The notice-file address in force.
    QString noticeUrl() const;

    // Does nothing; kept for hosts that call it at start-up.
    void initialize() {}

    OrvaneSDK();
    ~OrvaneSDK();
    Q_DISABLE_COPY_MOVE(OrvaneSDK)

private:
    const std::unique_ptr<OrvaneSDKPrivate> d;
};

} // namespace orvane
