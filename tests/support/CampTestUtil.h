#pragma once

// Shared by the row and detail tests: the sandbox's campaigns, request queries, and a list screen
// in miniature that shows campaigns with the offerwall's rows.

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QVBoxLayout>

#include "core/Records.h"
#include "sandbox/SandboxServer.h"
#include "screens/detail/DetailViewController.h"
#include "screens/offerwall/CampCPSTableViewCell.h"
#include "screens/offerwall/CampClickProtocol.h"
#include "screens/offerwall/CampTableViewCell.h"
#include "ui/TableView.h"
#include "ui/ViewController.h"

namespace orvane::test {

// The catalogue's campaign `campid` as the list reply carries it (addresses on this server,
// reward type 1), or an empty campaign when there is none.
inline Camp sandboxCamp(sandbox::SandboxServer& server, qint64 campid) {
    for (const QString& list : {QStringLiteral("camp"), QStringLiteral("housemd")}) {
        for (const QJsonValue& value : server.catalogue().value(list).toArray()) {
            if (value.toObject().value(QStringLiteral("campid")).toInteger() == campid) {
                QByteArray json = QJsonDocument(value.toObject()).toJson(QJsonDocument::Compact);
                json.replace("{base}", server.baseUrl().toUtf8());
                Camp camp = decodeCamp(QJsonDocument::fromJson(json).object()).value();
                camp.rewardtype = 1;
                return camp;
            }
        }
    }
    return {};
}

// The query value `name` of every request to `path`, in order.
inline QStringList queryValues(sandbox::SandboxServer& server, const QString& path,
                               const QString& name) {
    QStringList values;
    for (const sandbox::LoggedRequest& request : server.requestsTo(path)) {
        values << request.queryValue(name).value_or(QString());
    }
    return values;
}

// A table of campaigns with the rows the offerwall uses. Rows asking for the detail are recorded
// in `clicked`; with opensDetail the detail page is also opened, as the offerwall does.
class ListScreen final : public ViewController,
                         public TableViewDataSource,
                         public CampClickProtocol {
public:
    explicit ListScreen(int listType = 2)
        : listType(listType) {
        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        table = new TableView(this);
        table->setDataSource(this);
        layout->addWidget(table);
    }
    ~ListScreen() override { table->setDataSource(nullptr); }

    int numberOfRows(TableView&) override { return int(camps.size()); }
    TableViewCell* cellForRow(TableView& tableView, int row) override {
        const bool cps = camps.at(row).bm == 4;
        TableViewCell* cell = tableView.dequeueReusableCell(cps ? CampCPSTableViewCell::kIdentifier
                                                                : CampTableViewCell::kIdentifier);
        if (auto* standard = qobject_cast<CampTableViewCell*>(cell)) {
            standard->setItem(camps.at(row), &tableView, row, listType, this);
        } else if (auto* purchase = qobject_cast<CampCPSTableViewCell*>(cell)) {
            purchase->setItem(camps.at(row), &tableView, row, listType, this);
        }
        return cell;
    }
    void onClick(int row) override {
        clicked << row;
        if (opensDetail) {
            performSegue(DetailViewController::kSceneIdentifier, QVariant(row));
        }
    }
    void prepare(StoryboardSegue& segue, const QVariant& sender) override {
        if (auto* detail = qobject_cast<DetailViewController*>(segue.destination)) {
            detail->setCamp(camps.at(sender.toInt()));
        }
    }
    template <typename Cell = CampTableViewCell>
    Cell* cell(int row) const {
        return qobject_cast<Cell*>(table->cellForRow(row));
    }

    TableView* table;
    QList<Camp> camps;
    int listType;
    QList<int> clicked;
    bool opensDetail = false; // by the segue "DetailViewController"
};

} // namespace orvane::test
