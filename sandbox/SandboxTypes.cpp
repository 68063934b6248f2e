#include "sandbox/SandboxTypes.h"

#include <QUrl>

namespace orvane::sandbox {

namespace {
QString decode(QByteArrayView raw) {
    return QUrl::fromPercentEncoding(raw.toByteArray());
}
} // namespace

QList<QueryItem> parseQuery(QByteArrayView rawQuery) {
    QList<QueryItem> items;
    for (const QByteArray& segment : rawQuery.toByteArray().split('&')) {
        if (segment.isEmpty()) {
            continue;
        }
        const qsizetype eq = segment.indexOf('=');
        if (eq < 0) {
            items.append({decode(segment), std::nullopt});
        } else {
            items.append({decode(segment.left(eq)), decode(segment.mid(eq + 1))});
        }
    }
    return items;
}

QByteArray LoggedRequest::header(QByteArrayView name) const {
    for (const auto& [key, value] : headers) {
        if (key.compare(name, Qt::CaseInsensitive) == 0) {
            return value;
        }
    }
    return {};
}

bool LoggedRequest::hasHeader(QByteArrayView name) const {
    for (const auto& entry : headers) {
        if (entry.first.compare(name, Qt::CaseInsensitive) == 0) {
            return true;
        }
    }
    return false;
}

std::optional<QString> LoggedRequest::queryValue(const QString& name) const {
    for (const QueryItem& item : query) {
        if (item.name == name) {
            return item.value;
        }
    }
    return std::nullopt;
}

bool LoggedRequest::hasQueryItem(const QString& name) const {
    for (const QueryItem& item : query) {
        if (item.name == name) {
            return true;
        }
    }
    return false;
}

QStringList LoggedRequest::queryNames() const {
    QStringList names;
    for (const QueryItem& item : query) {
        names << item.name;
    }
    return names;
}

Fault Fault::status(int httpStatus) {
    Fault f;
    f.httpStatus = httpStatus;
    return f;
}

Fault Fault::resultCode(int result) {
    Fault f;
    f.result = result;
    return f;
}

Fault Fault::delay(int ms) {
    Fault f;
    f.delayMs = ms;
    return f;
}

Fault Fault::withBody(Body body) {
    Fault f;
    f.body = body;
    return f;
}

QString Inquiry::field(const QString& name) const {
    for (const auto& [key, value] : fields) {
        if (key == name) {
            return value;
        }
    }
    return {};
}

} // namespace orvane::sandbox
