#include "core/Util.h"

#include <algorithm>
#include <iterator>

#include "core/Log.h"
#include "orvane/PlatformServices.h"

namespace orvane {

namespace {

struct ModelEntry {
    QStringView identifier;
    QStringView name;
};

// Hardware identifier -> readable name, in the order the identifiers are tested.
constexpr ModelEntry kModels[] = {
    {u"i386", u"Simulator"},
    {u"x86_64", u"Simulator"},
    {u"iPod1,1", u"iPod Touch"},
    {u"iPod2,1", u"iPod Touch"},
    {u"iPod3,1", u"iPod Touch"},
    {u"iPod4,1", u"iPod Touch"},
    {u"iPod5,1", u"iPod Touch"},
    {u"iPod7,1", u"iPod Touch"},
    {u"iPad1,1", u"iPad"},
    {u"iPad2,1", u"iPad 2"},
    {u"iPad2,2", u"iPad 2"},
    {u"iPad2,3", u"iPad 2"},
    {u"iPad2,4", u"iPad 2"},
    {u"iPad2,5", u"iPad Mini"},
    {u"iPad2,6", u"iPad Mini"},
    {u"iPad2,7", u"iPad Mini"},
    {u"iPad3,1", u"iPad 3"},
    {u"iPad3,2", u"iPad 3"},
    {u"iPad3,3", u"iPad 3"},
    {u"iPad3,4", u"iPad 4"},
    {u"iPad3,5", u"iPad 4"},
    {u"iPad3,6", u"iPad 4"},
    {u"iPad4,1", u"iPad Air"},
    {u"iPad4,2", u"iPad Air"},
    {u"iPad4,3", u"iPad Air"},
    {u"iPad4,4", u"iPad Mini 2"},
    {u"iPad4,5", u"iPad Mini 2"},
    {u"iPad4,6", u"iPad Mini 2"},
    {u"iPad4,7", u"iPad Mini 3"},
    {u"iPad4,8", u"iPad Mini 3"},
    {u"iPad4,9", u"iPad Mini 3"},
    {u"iPad5,1", u"iPad Mini 4"},
    {u"iPad5,2", u"iPad Mini 4"},
    {u"iPad5,3", u"iPad Air 2"},
    {u"iPad5,4", u"iPad Air 2"},
    {u"iPad6,11", u"iPad 5"},
    {u"iPad6,12", u"iPad 5"},
    {u"iPad6,3", u"iPad Pro 9.7 Inch"},
    {u"iPad6,4", u"iPad Pro 9.7 Inch"},
    {u"iPad6,7", u"iPad Pro 12.9 Inch"},
    {u"iPad6,8", u"iPad Pro 12.9 Inch"},
    {u"iPad7,1", u"iPad Pro 12.9 Inch 2. Generation"},
    {u"iPad7,2", u"iPad Pro 12.9 Inch 2. Generation"},
    {u"iPad7,3", u"iPad Pro 10.5 Inch"},
    {u"iPad7,4", u"iPad Pro 10.5 Inch"},
    {u"iPhone1,1", u"iPhone"},
    {u"iPhone1,2", u"iPhone"},
    {u"iPhone2,1", u"iPhone"},
    {u"iPhone3,1", u"iPhone 4"},
    {u"iPhone3,2", u"iPhone 4"},
    {u"iPhone3,3", u"iPhone 4"},
    {u"iPhone4,1", u"iPhone 4s"},
    {u"iPhone5,1", u"iPhone 5"},
    {u"iPhone5,2", u"iPhone 5"},
    {u"iPhone5,3", u"iPhone 5c"},
    {u"iPhone5,4", u"iPhone 5c"},
    {u"iPhone6,1", u"iPhone 5s"},
    {u"iPhone6,2", u"iPhone 5s"},
    {u"iPhone7,1", u"iPhone 6 Plus"},
    {u"iPhone7,2", u"iPhone 6"},
    {u"iPhone8,1", u"iPhone 6s"},
    {u"iPhone8,2", u"iPhone 6s Plus"},
    {u"iPhone8,4", u"iPhone SE"},
    {u"iPhone9,1", u"iPhone 7"},
    {u"iPhone9,3", u"iPhone 7"},
    {u"iPhone9,2", u"iPhone 7 Plus"},
    {u"iPhone9,4", u"iPhone 7 Plus"},
    {u"iPhone10,1", u"iPhone 8"},
    {u"iPhone10,4", u"iPhone 8"},
    {u"iPhone10,2", u"iPhone 8 Plus"},
    {u"iPhone10,5", u"iPhone 8 Plus"},
    {u"iPhone10,3", u"iPhone X"},
    {u"iPhone10,6", u"iPhone X"},
    {u"iPhone11,2", u"iPhone XS"},
    {u"iPhone11,4", u"iPhone XS Max"},
    {u"iPhone11,6", u"iPhone XS Max"},
    {u"iPhone11,8", u"iPhone XR"},
    {u"iPhone12,1", u"iPhone 11"},
    {u"iPhone12,3", u"iPhone 11 Pro"},
    {u"iPhone12,5", u"iPhone 11 Pro Max"},
    {u"iPhone12,8", u"iPhone SE 2nd Gen"},
    {u"iPhone13,1", u"iPhone 12 Mini"},
    {u"iPhone13,2", u"iPhone 12"},
    {u"iPhone13,3", u"iPhone 12 Pro"},
    {u"iPhone13,4", u"iPhone 12 Pro Max"},
};

static_assert(std::size(kModels) == 85);

} // namespace

QString Util::modelName(const QString& hardwareIdentifier) {
    QString identifier = hardwareIdentifier;
    identifier.remove(QChar(0)); // the system's fixed-size field is padded with NUL bytes
    const auto* entry =
        std::find_if(std::begin(kModels), std::end(kModels),
                     [&](const ModelEntry& e) { return e.identifier == identifier; });
    return entry != std::end(kModels) ? entry->name.toString() : identifier;
}

QString Util::getModelName() {
    return modelName(PlatformServices::deviceInfo().hardwareIdentifier());
}

std::optional<QString> Util::getCarrierName() {
    std::optional<QString> name = PlatformServices::deviceInfo().carrierName();
    if (name && name->isEmpty()) {
        return std::nullopt;
    }
    return name;
}

QSizeF multiplied(const QSizeF& size, double factor) {
    return {size.width() * factor, size.height() * factor};
}

QSizeF divided(const QSizeF& size, double divisor) {
    if (divisor == 0.0) {
        Q_ASSERT_X(false, "divided(QSizeF, double)", "Can't devine by 0");
        Log::error("Util divided : Can't devine by 0");
        return {};
    }
    return {size.width() / divisor, size.height() / divisor};
}

} // namespace orvane
