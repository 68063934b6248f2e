// The campaign list path as the model runs it, over arbitrary reply bodies: text clean-up and
// decoding, grouping by `bm`, group selection, the three sort orders with the house campaigns
// pinned, and the summary. Every order must show each campaign of the selected group exactly
// once.
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include <QGuiApplication>

#include "core/CampListModel.h"

namespace {

void require(bool condition, const char* promise) {
    if (!condition) {
        std::fprintf(stderr, "broken: %s\n", promise);
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray body(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    orvane::CampListModel model;
    if (!model.applyBody(body)) {
        return 0;
    }
    for (int segment : {0, 1}) {
        model.selectGroup(segment);
        for (int mode = 0; mode < 3; ++mode) {
            model.clickSort();
            require(model.selectedAllCampList().size() ==
                        model.selectedCampList().size() + model.selectedHouseList().size(),
                    "every campaign of the group shown once");
        }
    }
    (void)model.summaryText();
    return 0;
}
