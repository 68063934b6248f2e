#pragma once

#include <atomic>
#include <cstring>
#include <initializer_list>
#include <optional>
#include <type_traits>

#include <QString>

namespace orvane {

// Renders an optional status the way the kit's log lines show it: "Optional(401)", or "nil".
template <typename T>
QString optionalDescription(const std::optional<T>& value) {
    if (!value) {
        return QStringLiteral("nil");
    }
    if constexpr (std::is_same_v<T, QString>) {
        return QStringLiteral("Optional(\"%1\")").arg(*value);
    } else {
        return QStringLiteral("Optional(%1)").arg(*value);
    }
}

// One value handed to the log. It keeps only a reference and a way to describe it, so nothing is
// formatted unless logging is on; numbers are copied into it instead, so that a literal argument
// needs no temporary in memory while logging is off. It must not outlive the call it is passed to.
class LogArg {
public:
    template <typename T>
    LogArg(const T& value) // NOLINT(google-explicit-constructor): a log call takes any value
        : m_describe(&describe<T>) {
        if constexpr (kHeld<T>) {
            std::memcpy(m_bytes, &value, sizeof(T));
        } else {
            m_pointer = &value;
        }
    }

    QString text() const { return m_describe(*this); }

private:
    template <typename T>
    static constexpr bool kHeld = std::is_arithmetic_v<T> && sizeof(T) <= sizeof(void*);

    template <typename T>
    static QString describe(const LogArg& arg) {
        if constexpr (kHeld<T>) {
            T v;
            std::memcpy(&v, arg.m_bytes, sizeof(T));
            return describeValue(v);
        } else {
            return describeValue(*static_cast<const T*>(arg.m_pointer));
        }
    }

    template <typename T>
    static QString describeValue(const T& v) {
        if constexpr (std::is_same_v<T, QString>) {
            return v;
        } else if constexpr (std::is_same_v<T, QByteArray>) {
            return QString::fromUtf8(v);
        } else if constexpr (std::is_same_v<T, bool>) {
            return v ? QStringLiteral("true") : QStringLiteral("false");
        } else if constexpr (std::is_arithmetic_v<T>) {
            return QString::number(v);
        } else if constexpr (std::is_array_v<T> || std::is_same_v<T, const char*> ||
                             std::is_same_v<T, char*>) {
            return QString::fromUtf8(v);
        } else if constexpr (requires { optionalDescription(v); }) {
            return optionalDescription(v);
        } else {
            return QString(v);
        }
    }

    union {
        const void* m_pointer;
        unsigned char m_bytes[sizeof(void*)];
    };
    QString (*m_describe)(const LogArg&);
};

// The kit's diagnostic log. Silent until the host turns it on (Orvane::setDebugEnabled); while it
// is off a call costs one relaxed atomic load and formats nothing. Records go to Qt logging
// categories named after the host application (see subsystem()), one per level, with the message
// "<first> <rest joined by single spaces>". Callable from any thread.
class Log final {
public:
    // `warning` is the kit's own addition, for input it refused (numbered after the others).
    enum class Level { debug = 0, info = 1, network = 2, error = 3, custom = 4, warning = 5 };

    static bool displayLog() noexcept { return s_displayLog.load(std::memory_order_relaxed); }
    static void setDisplayLog(bool on) noexcept {
        s_displayLog.store(on, std::memory_order_relaxed);
    }

    // Writes one record. `customCategory` is used by Level::custom only.
    static void log(LogArg first, std::initializer_list<LogArg> rest = {},
                    Level level = Level::debug, const QString& customCategory = {});

    template <typename... Rest>
    static void debug(const LogArg& first, const Rest&... rest) {
        if (displayLog()) [[unlikely]] {
            log(first, {LogArg(rest)...}, Level::debug);
        }
    }
    template <typename... Rest>
    static void info(const LogArg& first, const Rest&... rest) {
        if (displayLog()) [[unlikely]] {
            log(first, {LogArg(rest)...}, Level::info);
        }
    }
    template <typename... Rest>
    static void network(const LogArg& first, const Rest&... rest) {
        if (displayLog()) [[unlikely]] {
            log(first, {LogArg(rest)...}, Level::network);
        }
    }
    template <typename... Rest>
    static void warning(const LogArg& first, const Rest&... rest) {
        if (displayLog()) [[unlikely]] {
            log(first, {LogArg(rest)...}, Level::warning);
        }
    }
    template <typename... Rest>
    static void error(const LogArg& first, const Rest&... rest) {
        if (displayLog()) [[unlikely]] {
            log(first, {LogArg(rest)...}, Level::error);
        }
    }

    // The category text of a level: "🟡 DEBUG", "🟠 INFO", "🔵 NETWORK", "🟣 WARNING",
    // "🔴 ERROR", or "🟢 " followed by the custom text.
    static QString categoryText(Level level, const QString& customCategory = {});

    // The host application's identity, fixed on first use: the reversed organisation domain and
    // the application name ("com.example.app"), or the application name alone, or "orvane.host".
    static QString subsystem();

private:
    static std::atomic<bool> s_displayLog;
};

} // namespace orvane
