#pragma once

#include <optional>

#include <QSizeF>
#include <QString>

namespace orvane {

// Device facts sent to the campaign server.
// The facts come from PlatformServices::deviceInfo(), so hosts and tests can replace them.
class Util final {
public:
    // The readable model name of the device ("iPhone SE 2nd Gen" for "iPhone12,8"), or the
    // hardware identifier itself when the table does not know it. Never empty unless the system
    // reports no identifier. NUL bytes in the identifier are skipped. Any thread.
    static QString getModelName();
    // The readable name of a hardware identifier, as above, without asking the device.
    static QString modelName(const QString& hardwareIdentifier);
    // The mobile carrier's name; none on a device without one (or one that reports no name).
    // Any thread.
    static std::optional<QString> getCarrierName();

    Util() = delete;
};

// Size scaling. Qt's own QSizeF operators stay as they are; these two add the kit's contract for
// a zero divisor: a programming error that stops a debug build with "Can't devine by 0", and in a
// release build logs an error and yields an empty QSizeF instead of an infinite size.
QSizeF multiplied(const QSizeF& size, double factor);
QSizeF divided(const QSizeF& size, double divisor);

} // namespace orvane
