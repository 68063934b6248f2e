#pragma once

#include <QObject>
#include <QStringList>
#include <QtQml/qqmlregistration.h>

#include "core/RewardHistory.h"

namespace orvane {

// The benefits history page for QML: the core's RewardHistoryModel and the kind and period chosen
// (the first of each until the user picks another). Every choice, the same one included, asks
// again. Main thread only. (Not final: the QML engine derives from the types it creates.)
class BenefitsController : public QObject {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(QAbstractItemModel* model READ model CONSTANT)
    Q_PROPERTY(QStringList kindLabels READ kindLabels CONSTANT)
    Q_PROPERTY(QStringList periodLabels READ periodLabels CONSTANT)
    Q_PROPERTY(QString kind READ kind NOTIFY choiceChanged)
    Q_PROPERTY(QString period READ period NOTIFY choiceChanged)
    Q_PROPERTY(QString term READ term NOTIFY termChanged)
    Q_PROPERTY(bool loading READ isLoading NOTIFY stateChanged)
    Q_PROPERTY(bool failed READ hasFailed NOTIFY stateChanged)

public:
    explicit BenefitsController(QObject* parent = nullptr);

    QAbstractItemModel* model() const { return m_history; }
    QStringList kindLabels() const { return m_history->kindLabels(); }
    QStringList periodLabels() const { return m_history->periodLabels(); }
    QString kind() const { return m_kind; }
    QString period() const { return m_period; }
    QString term() const { return m_history->term(); }
    bool isLoading() const { return m_history->isLoading(); }
    bool hasFailed() const { return m_history->hasFailed(); }

    // The page appearing: the first request.
    Q_INVOKABLE void start();
    Q_INVOKABLE void chooseKind(const QString& label);
    Q_INVOKABLE void choosePeriod(const QString& label);

Q_SIGNALS:
    void choiceChanged();
    void termChanged();
    void stateChanged();

private:
    RewardHistoryModel* m_history;
    QString m_kind;
    QString m_period;
};

} // namespace orvane
