#include "core/ApiList.h"

#include <QUuid>

#include "core/BuildConfig.h"
#include "core/Log.h"
#include "core/SettingsKeys.h"
#include "core/UserDefaults.h"
#include "core/Util.h"
#include "orvane/OrvaneSDK.h"
#include "orvane/PlatformServices.h"

namespace orvane {

namespace {

QString uuidText(const QUuid& uuid) {
    return uuid.toString(QUuid::WithoutBraces).toUpper();
}

// Percent-encodes everything but the unreserved characters, so that "&", "=", "+", "#" and
// spaces in a value never split or alter a field.
QString escaped(const QString& text) {
    return QString::fromLatin1(QUrl::toPercentEncoding(text));
}

} // namespace

ApiList::ApiList() {
    UserDefaults& defaults = UserDefaults::standard();
    QStringList missing;
    auto required = [&](const QString& key, QString& into) {
        if (const std::optional<QString> value = defaults.string(key)) {
            into = *value;
        } else {
            missing << key;
        }
    };
    required(keys::kMkey, m_mkey);
    required(keys::kMckey, m_mckey);
    required(keys::kUserId, m_userId);
    // A child is never identified: the advertising identifier reads as the nil one (as without
    // consent) and the vendor identifier as none, while every field is still sent.
    m_childDirected = defaults.boolean(keys::kChildDirected);
    m_idfa = uuidText(m_childDirected ? QUuid()
                                      : PlatformServices::deviceInfo().advertisingIdentifier());

    const OrvaneSDK& sdk = OrvaneSDK::shared();
    if (const std::optional<QString> host = sdk.hostUrl()) {
        m_hostUrl = *host;
        if (const std::optional<QString> partner = sdk.hostPartnerUrl()) {
            m_hostPartnerUrl = *partner;
        } else {
            m_configurationError = QStringLiteral(
                "OrvaneSDK hostUrl is set but hostPartnerUrl is not; set both server bases");
        }
    } else {
        m_hostUrl = QString::fromUtf8(build::kDefaultHostUrl);
        m_hostPartnerUrl = QString::fromUtf8(build::kDefaultPartnerUrl);
    }
    if (!missing.isEmpty()) {
        m_configurationError =
            QStringLiteral("%1 not set; call Orvane::initialize(mkey, mckey, userId) first")
                .arg(missing.join(QStringLiteral(", ")));
    }
}

void ApiList::getReq(ApiCompletion completion) {
    QList<Field> fields = keyFields();
    fields << Field{QStringLiteral("adid"), m_idfa} << genderField() << carrierField();
    if (const auto age = ageField()) {
        fields << *age;
    }
    get(m_hostUrl, QStringLiteral("/req"), std::move(fields), std::move(completion));
}

void ApiList::getCamp(ApiCompletion completion) {
    get(m_hostPartnerUrl, QStringLiteral("/cs/user_camp_list"), keyFields(), std::move(completion));
}

void ApiList::getAgreeContents(ApiCompletion completion) {
    get(m_hostPartnerUrl, QStringLiteral("/cs/agree_contents_app"), keyFields(),
        std::move(completion));
}

void ApiList::getReward(const QString& rewardtype, const QString& sdate, const QString& edate,
                        ApiCompletion completion) {
    QList<Field> fields = keyFields();
    fields << Field{QStringLiteral("sdate"), sdate} << Field{QStringLiteral("edate"), edate};
    if (rewardtype != QLatin1String("0")) {
        fields << Field{QStringLiteral("rewardtype"), rewardtype};
    }
    get(m_hostPartnerUrl, QStringLiteral("/cs/user_reward_list"), std::move(fields),
        std::move(completion));
}

void ApiList::postCS(const QString& name, const QString& email, const QString& tel,
                     const QString& cstype, qint64 campid, const QString& content,
                     const QList<QImage>& uploadFiles, ApiCompletion completion) {
    if (m_configurationError) {
        failConfiguration(*m_configurationError, std::move(completion));
        return;
    }
    const std::optional<QUrl> url = buildUrl(m_hostPartnerUrl, QStringLiteral("/cs"), {});
    if (!url) {
        failConfiguration(
            QStringLiteral("the partner base \"%1\" is not an HTTP address").arg(m_hostPartnerUrl),
            std::move(completion));
        return;
    }
    const QVariantMap form{
        {QStringLiteral("mkey"), m_mkey},     {QStringLiteral("mckey"), m_mckey},
        {QStringLiteral("userid"), m_userId}, {QStringLiteral("email"), email},
        {QStringLiteral("tel"), tel},         {QStringLiteral("cstype"), cstype},
        {QStringLiteral("campid"), campid},   {QStringLiteral("name"), name},
        {QStringLiteral("content"), content},
    };
    ApiProvider::request(*url, REQUEST_METHOD_POST, form, uploadFiles, std::move(completion));
}

void ApiList::getHalvekNotice(ApiCompletion completion) {
    // The notice file needs no keys: it is fetched even before the host has initialised the kit.
    ApiProvider::request(QUrl(OrvaneSDK::shared().noticeUrl(), QUrl::StrictMode),
                         REQUEST_METHOD_GET, {}, {}, std::move(completion));
}

void ApiList::getView(const QString& campid, ApiCompletion completion) {
    QList<Field> fields = keyFields();
    fields << Field{QStringLiteral("campid"), campid};
    get(m_hostUrl, QStringLiteral("/view"), std::move(fields), std::move(completion));
}

void ApiList::getState(const QString& campid, ApiCompletion completion) {
    QList<Field> fields = keyFields();
    fields << Field{QStringLiteral("campid"), campid};
    get(m_hostUrl, QStringLiteral("/state"), std::move(fields), std::move(completion));
}

void ApiList::getJoin(const QString& campid, ApiCompletion completion) {
    const DeviceInfo& device = PlatformServices::deviceInfo();
    const std::optional<QUuid> vendor = m_childDirected ? std::nullopt : device.vendorIdentifier();
    QList<Field> fields = keyFields();
    fields << Field{QStringLiteral("campid"), campid} << Field{QStringLiteral("adid"), m_idfa}
           << Field{QStringLiteral("accid"),
                    vendor ? std::optional<QString>(uuidText(*vendor)) : std::nullopt}
           << Field{QStringLiteral("devmodel"), Util::getModelName()}
           << Field{QStringLiteral("osver"), device.systemVersion()} << carrierField()
           << genderField();
    if (const auto age = ageField()) {
        fields << *age;
    }
    get(m_hostUrl, QStringLiteral("/join"), std::move(fields), std::move(completion));
}

void ApiList::getInst(const QString& campid, ApiCompletion completion) {
    QList<Field> fields = keyFields();
    fields << Field{QStringLiteral("campid"), campid} << Field{QStringLiteral("adid"), m_idfa}
           << Field{QStringLiteral("os"), QStringLiteral("ios")};
    get(m_hostUrl, QStringLiteral("/inst"), std::move(fields), std::move(completion));
}

void ApiList::getExec(const QString& campid, ApiCompletion completion) {
    const QList<Field> fields{{QStringLiteral("mkey"), m_mkey},
                              {QStringLiteral("mckey"), m_mckey},
                              {QStringLiteral("campid"), campid},
                              {QStringLiteral("adid"), m_idfa}};
    get(m_hostUrl, QStringLiteral("/exec"), fields, std::move(completion));
}

void ApiList::getReward(const QString& campid, const QString& orvkey, ApiCompletion completion) {
    const QList<Field> fields{
        {QStringLiteral("mkey"), m_mkey},   {QStringLiteral("mckey"), m_mckey},
        {QStringLiteral("campid"), campid}, {QStringLiteral("userid"), m_userId},
        {QStringLiteral("adid"), m_idfa},   {QStringLiteral("os"), QStringLiteral("ios")},
        {QStringLiteral("orvkey"), orvkey},
    };
    get(m_hostUrl, QStringLiteral("/reward"), fields, std::move(completion));
}

void ApiList::get(const QString& base, const QString& path, QList<Field> fields,
                  ApiCompletion completion) {
    if (m_configurationError) {
        failConfiguration(*m_configurationError, std::move(completion));
        return;
    }
    if (OrvaneSDK::shared().isInspect()) {
        fields << Field{QStringLiteral("campinspect"), QStringLiteral("1")};
    }
    const std::optional<QUrl> url = buildUrl(base, path, fields);
    if (!url) {
        failConfiguration(QStringLiteral("the server base \"%1\" is not an HTTP address").arg(base),
                          std::move(completion));
        return;
    }
    ApiProvider::request(*url, REQUEST_METHOD_GET, {}, {}, std::move(completion));
}

std::optional<QUrl> ApiList::buildUrl(const QString& base, const QString& path,
                                      const QList<Field>& fields) const {
    QUrl url(base, QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || url.host().isEmpty() ||
        (scheme != QLatin1String("http") && scheme != QLatin1String("https"))) {
        return std::nullopt;
    }
    // The path is appended as text: a base ending in "/" gives a double slash, as it always has.
    url.setPath(url.path(QUrl::FullyEncoded) + path, QUrl::TolerantMode);
    QStringList items;
    items.reserve(fields.size());
    for (const auto& [name, value] : fields) {
        items << (value ? escaped(name) + QLatin1Char('=') + escaped(*value) : escaped(name));
    }
    if (items.isEmpty()) {
        url.setQuery(QString());
    } else {
        url.setQuery(items.join(QLatin1Char('&')), QUrl::TolerantMode);
    }
    return url;
}

QList<ApiList::Field> ApiList::keyFields() const {
    return {{QStringLiteral("mkey"), m_mkey},
            {QStringLiteral("mckey"), m_mckey},
            {QStringLiteral("userid"), m_userId}};
}

ApiList::Field ApiList::genderField() {
    return {QStringLiteral("gender"),
            UserDefaults::standard().string(keys::kGender).value_or(QStringLiteral("0"))};
}

std::optional<ApiList::Field> ApiList::ageField() {
    const qint64 age = UserDefaults::standard().integer(keys::kAge);
    if (age == 0) {
        return std::nullopt;
    }
    return Field{QStringLiteral("age"), QString::number(age)};
}

ApiList::Field ApiList::carrierField() {
    return {QStringLiteral("carrier"), Util::getCarrierName()};
}

void ApiList::failConfiguration(const QString& reason, ApiCompletion completion) const {
    ApiProvider::fail({ApiError::Kind::Configuration, std::nullopt, reason}, std::move(completion));
}

} // namespace orvane
