// Reads benchmark output on stdin, keeps the "ORVANE_MEASURE {json}" lines and prints them as one
// table followed by the same table as a single "ORVANE_BENCH {json}" line. With --check it exits
// with 1 when a measure misses its goal, and with 2 when there is no measure at all.

#include <cstdio>
#include <iostream>
#include <string>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>

using namespace Qt::StringLiterals;

namespace {

QString number(double value) {
    return QString::number(value, 'g', 4);
}

} // namespace

int main(int argc, char** argv) {
    const bool check = argc > 1 && std::string(argv[1]) == "--check";
    const QByteArray prefix = "ORVANE_MEASURE ";
    QJsonArray measures;
    std::string line;
    while (std::getline(std::cin, line)) {
        const QByteArray bytes = QByteArray::fromStdString(line).trimmed();
        if (!bytes.startsWith(prefix)) {
            continue;
        }
        const QJsonDocument document = QJsonDocument::fromJson(bytes.mid(prefix.size()));
        if (document.isObject()) {
            measures.append(document.object());
        }
    }

    const QString format = QStringLiteral("%1 %2 %3 %4 %5 %6");
    auto row = [&](const QString& name, const QString& ours, const QString& baseline,
                   const QString& ratio, const QString& goal, const QString& holds) {
        std::printf("%s\n", qPrintable(format.arg(name, -66)
                                           .arg(ours, 10)
                                           .arg(baseline, 12)
                                           .arg(ratio, 7)
                                           .arg(goal, 6)
                                           .arg(holds)));
    };
    row(QStringLiteral("measure"), QStringLiteral("ours"), QStringLiteral("baseline"),
        QStringLiteral("ratio"), QStringLiteral("goal"), QStringLiteral("holds"));
    int missed = 0;
    for (const QJsonValue& value : std::as_const(measures)) {
        const QJsonObject m = value.toObject();
        const QString unit = m.value(QStringLiteral("unit")).toString(QStringLiteral("ms"));
        const bool info = m.value(QStringLiteral("info")).toBool();
        const bool holds = info || m.value(QStringLiteral("holds")).toBool();
        missed += holds ? 0 : 1;
        QString verdict = info    ? QStringLiteral("info")
                          : holds ? QStringLiteral("yes")
                                  : QStringLiteral("NO");
        if (m.contains(QStringLiteral("also"))) {
            verdict += QStringLiteral(" (%1)").arg(m.value(QStringLiteral("also")).toString());
        }
        row(m.value(QStringLiteral("name")).toString(),
            number(m.value(QStringLiteral("ours_ms")).toDouble()) + QLatin1Char(' ') + unit,
            number(m.value(QStringLiteral("baseline_ms")).toDouble()) + QLatin1Char(' ') + unit,
            number(m.value(QStringLiteral("ratio")).toDouble()),
            number(m.value(QStringLiteral("goal")).toDouble()), verdict);
    }
    int goals = 0;
    for (const QJsonValue& value : std::as_const(measures)) {
        goals += value.toObject().value(QStringLiteral("info")).toBool() ? 0 : 1;
    }
    std::printf("%d of %d measures hold their goal\n", goals - missed, goals);
    // The machine's load, to read the figures by: ratios hold up under load, times do not.
    QFile loadavg(QStringLiteral("/proc/loadavg"));
    if (loadavg.open(QIODevice::ReadOnly)) {
        std::printf("load average at the end (1, 5, 15 min): %s\n",
                    loadavg.readAll().split(' ').mid(0, 3).join(' ').constData());
    }
    std::printf("ORVANE_BENCH %s\n", QJsonDocument(QJsonObject{{u"measures"_s, measures}})
                                         .toJson(QJsonDocument::Compact)
                                         .constData());
    if (!check) {
        return 0;
    }
    if (measures.isEmpty()) {
        return 2;
    }
    return missed == 0 ? 0 : 1;
}
