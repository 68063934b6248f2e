#pragma once

#include <QObject>
#include <QStringList>

#include "ui/ViewController.h"

namespace orvane::test {

// A controller that writes "<name>:load|appear|disappear" to a shared journal.
class Recorder : public ViewController {
    Q_OBJECT
public:
    Recorder(const QString& name, QStringList* journal)
        : m_name(name)
        , m_journal(journal) {
        setTitle(name);
    }
    void prepare(StoryboardSegue& segue, const QVariant& sender) override {
        m_journal->append(m_name + QStringLiteral(":prepare:") + segue.identifier +
                          QStringLiteral(":") + sender.toString());
        if (auto* destination = qobject_cast<Recorder*>(segue.destination))
            destination->m_payload = sender.toString();
    }
    QString payload() const { return m_payload; }

protected:
    void viewDidLoad() override { m_journal->append(m_name + QStringLiteral(":load")); }
    void viewDidAppear(bool) override { m_journal->append(m_name + QStringLiteral(":appear")); }
    void viewDidDisappear(bool) override {
        m_journal->append(m_name + QStringLiteral(":disappear"));
    }

private:
    QString m_name;
    QStringList* m_journal;
    QString m_payload;
};

} // namespace orvane::test
