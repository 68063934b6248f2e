#pragma once

#include <memory>

#include <QPoint>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QtMessageHandler>

class QWindow;

namespace orvane::test {

// Points UserDefaults::standard() at a fresh INI file in a temporary folder for the lifetime of
// the object, and back to nothing afterwards.
class TemporarySettings final {
public:
    TemporarySettings();
    ~TemporarySettings();
    QString path() const;
    // Closes and reopens the store on the same file, as a process restart would.
    void restart();

private:
    QTemporaryDir m_dir;
};

// Collects the kit's log records (category and message) while it lives.
class LogCapture final {
public:
    LogCapture();
    ~LogCapture();
    QStringList lines() const;      // "<category>|<message>"
    QList<QtMsgType> types() const; // the message type of each line
    bool contains(const QString& fragment) const;
    void clear();

private:
    QtMessageHandler m_previous;
};

// The kit's text for a string-table key, as the screens show it.
QString text(const char* key);

// A left-button drag upwards as the window system delivers it: a press at `at`, `steps` moves of
// `step` pixels `delayMs` apart (a scroller times the moves by the clock), `holdMs` still, the
// release.
void drag(QWindow* window, QPoint at, int steps, int step, int delayMs, int holdMs);

} // namespace orvane::test
