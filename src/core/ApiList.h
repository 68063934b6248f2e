#pragma once

#include <optional>
#include <utility>

#include <QImage>
#include <QList>
#include <QString>
#include <QUrl>

#include "core/ApiProvider.h"

namespace orvane {

// The catalogue of server calls. Make a new ApiList right before each call: the keys, the user
// id, the advertising id, whether the user is a child (then "adid" is all zeros and "accid" bare)
// and the two server bases are read when it is made; gender, age, carrier,
// model, system version and the inspection flag when each call is built. Every operation returns
// at once and calls its completion exactly once on the transport thread (ApiProvider): the body on
// status 200, else an error. A call the kit is not set up for (missing keys, a campaign base
// without a partner base, a base that is not an HTTP address) fails with an error of kind
// Configuration, logged at error level. Callers decode the reply record themselves.
// Use one object from one thread at a time.
class ApiList final {
public:
    static inline const QString REQUEST_METHOD_GET = ApiProvider::REQUEST_METHOD_GET;
    static inline const QString REQUEST_METHOD_POST = ApiProvider::REQUEST_METHOD_POST;

    ApiList();

    // Campaign list of the offerwall (Req).
    void getReq(ApiCompletion completion);
    // Campaign list of the inquiry form (Req).
    void getCamp(ApiCompletion completion);
    // Privacy agreement text of the inquiry form (AgreeContents).
    void getAgreeContents(ApiCompletion completion);
    // Reward history of a period, "yyyyMMdd" dates; rewardtype "0" asks for every kind
    // (RewardList).
    void getReward(const QString& rewardtype, const QString& sdate, const QString& edate,
                   ApiCompletion completion);
    // Sends an inquiry with its screenshots as a multipart form (ResultData).
    void postCS(const QString& name, const QString& email, const QString& tel,
                const QString& cstype, qint64 campid, const QString& content,
                const QList<QImage>& uploadFiles, ApiCompletion completion);
    // The notice file (HalvekNotice).
    void getHalvekNotice(ApiCompletion completion);
    // Reports a visit of a campaign's detail page (HalvekNotice).
    void getView(const QString& campid, ApiCompletion completion);
    // Participation state (State).
    void getState(const QString& campid, ApiCompletion completion);
    // Joins a campaign (Join).
    void getJoin(const QString& campid, ApiCompletion completion);
    // Reports that the advertised application was launched. The kit ignores the outcome; a
    // completion is for diagnostics only.
    void getInst(const QString& campid, ApiCompletion completion = {});
    // Asks whether the advertised application may be started (State).
    void getExec(const QString& campid, ApiCompletion completion);
    // Claims the reward of a participation with its key (Join).
    void getReward(const QString& campid, const QString& orvkey, ApiCompletion completion);

    // What the object read at creation.
    const QString& hostUrl() const { return m_hostUrl; }
    const QString& hostPartnerUrl() const { return m_hostPartnerUrl; }
    const QString& idfa() const { return m_idfa; }
    // Why calls fail, when the kit is not set up for them.
    const std::optional<QString>& configurationError() const { return m_configurationError; }

private:
    // One query field; a field without value is written as its bare name.
    using Field = std::pair<QString, std::optional<QString>>;

    void get(const QString& base, const QString& path, QList<Field> fields,
             ApiCompletion completion);
    std::optional<QUrl> buildUrl(const QString& base, const QString& path,
                                 const QList<Field>& fields) const;
    QList<Field> keyFields() const; // mkey, mckey, userid
    static Field genderField();
    static std::optional<Field> ageField();
    static Field carrierField();
    void failConfiguration(const QString& reason, ApiCompletion completion) const;

    QString m_hostUrl;
    QString m_hostPartnerUrl;
    QString m_mkey;
    QString m_mckey;
    QString m_userId;
    QString m_idfa;
    bool m_childDirected = false; // keys::kChildDirected, read when made
    std::optional<QString> m_configurationError;
};

} // namespace orvane
