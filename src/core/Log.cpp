#include "core/Log.h"

#include <map>
#include <memory>
#include <mutex>

#include <QCoreApplication>
#include <QLoggingCategory>
#include <QMessageLogger>
#include <QStringList>

namespace orvane {

std::atomic<bool> Log::s_displayLog{false};

namespace {

// Qt keeps a pointer to a category's name, so categories and their names live for the process.
struct Category {
    QByteArray name;
    std::unique_ptr<QLoggingCategory> category;
};

QLoggingCategory& categoryFor(const QString& text) {
    static std::mutex mutex;
    static std::map<QString, Category> categories;
    std::lock_guard lock(mutex);
    auto it = categories.find(text);
    if (it == categories.end()) {
        Category entry;
        entry.name = (Log::subsystem() + QLatin1Char('.') + text).toUtf8();
        entry.category = std::make_unique<QLoggingCategory>(entry.name.constData());
        it = categories.emplace(text, std::move(entry)).first;
    }
    return *it->second.category;
}

QtMsgType messageType(Log::Level level) {
    switch (level) {
    case Log::Level::info:
    case Log::Level::network:
        return QtInfoMsg;
    case Log::Level::warning:
        return QtWarningMsg;
    case Log::Level::error:
        return QtCriticalMsg;
    case Log::Level::debug:
    case Log::Level::custom:
        return QtDebugMsg;
    }
    return QtDebugMsg;
}

} // namespace

QString Log::subsystem() {
    static const QString identity = []() -> QString {
        const QString app = QCoreApplication::applicationName();
        const QString domain = QCoreApplication::organizationDomain();
        if (!domain.isEmpty() && !app.isEmpty()) {
            QStringList parts = domain.split(QLatin1Char('.'), Qt::SkipEmptyParts);
            std::reverse(parts.begin(), parts.end());
            return parts.join(QLatin1Char('.')) + QLatin1Char('.') + app;
        }
        return app.isEmpty() ? QStringLiteral("orvane.host") : app;
    }();
    return identity;
}

QString Log::categoryText(Level level, const QString& customCategory) {
    switch (level) {
    case Level::debug:
        return QStringLiteral("\U0001F7E1 DEBUG");
    case Level::info:
        return QStringLiteral("\U0001F7E0 INFO");
    case Level::network:
        return QStringLiteral("\U0001F535 NETWORK");
    case Level::warning:
        return QStringLiteral("\U0001F7E3 WARNING");
    case Level::error:
        return QStringLiteral("\U0001F534 ERROR");
    case Level::custom:
        return QStringLiteral("\U0001F7E2 ") + customCategory;
    }
    return {};
}

void Log::log(LogArg first, std::initializer_list<LogArg> rest, Level level,
              const QString& customCategory) {
    if (!displayLog()) {
        return;
    }
    QStringList parts;
    parts.reserve(static_cast<qsizetype>(rest.size()));
    for (const LogArg& arg : rest) {
        parts << arg.text();
    }
    // The layout is always "<first> <rest>", so an empty rest leaves a trailing space.
    const QString message = first.text() + QLatin1Char(' ') + parts.join(QLatin1Char(' '));

    QLoggingCategory& category = categoryFor(categoryText(level, customCategory));
    const QtMsgType type = messageType(level);
    if (!category.isEnabled(type)) {
        return;
    }
    QMessageLogger logger(nullptr, 0, nullptr, category.categoryName());
    const QByteArray utf8 = message.toUtf8();
    switch (type) {
    case QtInfoMsg:
        logger.info("%s", utf8.constData());
        break;
    case QtWarningMsg:
        logger.warning("%s", utf8.constData());
        break;
    case QtCriticalMsg:
        logger.critical("%s", utf8.constData());
        break;
    default:
        logger.debug("%s", utf8.constData());
        break;
    }
}

} // namespace orvane
