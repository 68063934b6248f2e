// Every wire record decoder over arbitrary reply bodies. Decoding must never crash, and a body
// that decodes must survive the trip through toJson(): the encoded record decodes again to the
// same fields.
#include <cstdint>
#include <cstdlib>

#include <QByteArray>
#include <QJsonDocument>

#include "core/Records.h"

namespace {

template <orvane::WireRecord R>
void check(const QByteArray& body) {
    const orvane::Decoded<R> decoded = orvane::decode<R>(body);
    if (!decoded.ok()) {
        return;
    }
    const QJsonObject encoded = orvane::toJson(decoded.value());
    const orvane::Decoded<R> again = orvane::decode<R>(QJsonDocument(encoded).toJson());
    if (!again.ok() || orvane::toJson(again.value()) != encoded) {
        std::abort(); // a decoded record that does not encode back to itself
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray body =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    check<orvane::Camp>(body);
    check<orvane::Req>(body);
    check<orvane::RewardItem>(body);
    check<orvane::RewardList>(body);
    check<orvane::HalvekNotice>(body);
    check<orvane::AgreeContents>(body);
    check<orvane::ResultData>(body);
    check<orvane::State>(body);
    check<orvane::Join>(body);
    return 0;
}
