// The list model's own paths next to their baselines: a reply body decoded, grouped and sorted as
// a fetched reply is, next to a bare parse of the same bytes; and the model's sort (regular
// campaigns ordered, house campaigns pinned, the shown list rebuilt) next to a bare stable sort of
// the same campaigns with the same comparator, both going through the three sort modes.

#include <algorithm>
#include <vector>

#include <QCoreApplication>
#include <QJsonDocument>

#include "BenchSupport.h"
#include "CampaignReply.h"
#include "core/CampListModel.h"
#include "core/Log.h"

using namespace orvane;

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    Log::setDisplayLog(false);
    constexpr int kRegular = 5000;
    constexpr int kHouse = 50;

    const QByteArray reply = bench::campaignListReply(kRegular);
    CampListModel loading;
    bench::report(bench::compare(
        QStringLiteral(
            "decode + grouping + sort of that 5,000-campaign reply, as the list model does it"),
        1.1, 31, [&] { return bench::msPerCall(1, [&] { loading.applyBody(reply); }); },
        [&] { return bench::msPerCall(1, [&] { QJsonDocument::fromJson(reply); }); }));
    if (loading.selectedAllCampList().size() + loading.cpsCampList().size() != kRegular) {
        qFatal("the list model did not take the benchmark reply");
    }

    CampListModel model;
    model.applyBody(bench::campaignListReply(kRegular, kHouse));
    model.selectGroup(0);
    std::vector<const Camp*> pointers;
    for (const QList<Camp>* list : {&model.selectedCampList(), &model.selectedHouseList()}) {
        for (const Camp& camp : *list) {
            pointers.push_back(&camp);
        }
    }
    // Both sides go through the three modes in turn, as the sort button does.
    const int listType = model.listType();
    auto nextMode = [](CampListModel::SortMode mode) {
        switch (mode) {
        case CampListModel::SortMode::Init:
            return CampListModel::SortMode::High;
        case CampListModel::SortMode::High:
            return CampListModel::SortMode::Low;
        case CampListModel::SortMode::Low:
            break;
        }
        return CampListModel::SortMode::Init;
    };
    CampListModel::SortMode bareMode = model.sortMode();
    constexpr int kCalls = 21;
    bench::report(bench::compare(
        QStringLiteral("setSort of %1 + %2 house campaigns")
            .arg(pointers.size() - model.selectedHouseList().size())
            .arg(model.selectedHouseList().size()),
        1.5, 15, [&] { return bench::msPerCall(kCalls, [&] { model.clickSort(); }); },
        [&] {
            return bench::msPerCall(kCalls, [&] {
                bareMode = nextMode(bareMode);
                std::vector<const Camp*> rows = pointers;
                std::stable_sort(rows.begin(), rows.end(), [&](const Camp* a, const Camp* b) {
                    return CampListModel::comesBefore(*a, *b, bareMode, listType);
                });
            });
        }));
    return 0;
}
