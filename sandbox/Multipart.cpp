#include "sandbox/Multipart.h"

namespace orvane::sandbox {

namespace {
// The pieces of a header parameter list, split at the semicolons outside quoted values: a field
// named "a;b" stays one name.
QList<QByteArray> parameterPieces(const QByteArray& header) {
    QList<QByteArray> pieces(1);
    bool quoted = false;
    for (const char c : header) {
        if (c == '"') {
            quoted = !quoted;
        } else if (c == ';' && !quoted) {
            pieces.append(QByteArray());
            continue;
        }
        pieces.last() += c;
    }
    return pieces;
}

// Value of `key` in a header parameter list such as `form-data; name="a"; filename="b"`.
std::optional<QByteArray> parameter(const QByteArray& header, QByteArrayView key) {
    for (QByteArray piece : parameterPieces(header)) {
        piece = piece.trimmed();
        const qsizetype eq = piece.indexOf('=');
        if (eq < 0 || piece.left(eq).trimmed().compare(key, Qt::CaseInsensitive) != 0) {
            continue;
        }
        QByteArray value = piece.mid(eq + 1).trimmed();
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
            value = value.mid(1, value.size() - 2);
        }
        return value;
    }
    return std::nullopt;
}
} // namespace

std::optional<QList<FormPart>> parseMultipart(const QByteArray& contentType, const QByteArray& body,
                                              QString* error) {
    const auto fail = [error](const QString& reason) {
        *error = reason;
        return std::nullopt;
    };
    if (!contentType.trimmed().startsWith("multipart/form-data")) {
        return fail(QStringLiteral("Content-Type is not multipart/form-data"));
    }
    const std::optional<QByteArray> boundary = parameter(contentType, "boundary");
    if (!boundary || boundary->isEmpty() || boundary->size() > 200) {
        return fail(QStringLiteral("no usable boundary in the Content-Type"));
    }
    const QByteArray delimiter = "--" + *boundary;
    const QByteArray innerDelimiter = "\r\n" + delimiter;
    if (!body.startsWith(delimiter)) {
        return fail(QStringLiteral("the body does not start with the boundary"));
    }
    QList<FormPart> parts;
    qsizetype pos = delimiter.size();
    while (true) {
        const QByteArray rest = body.mid(pos, 2);
        if (rest.startsWith("--")) {
            return parts; // closing delimiter; anything after it is epilogue
        }
        if (!rest.startsWith("\r\n")) {
            return fail(QStringLiteral("boundary not followed by CR LF"));
        }
        pos += 2;
        const qsizetype headersEnd = body.indexOf("\r\n\r\n", pos);
        if (headersEnd < 0) {
            return fail(QStringLiteral("part %1 has no end of headers").arg(parts.size() + 1));
        }
        FormPart part;
        bool named = false;
        for (QByteArray line : body.mid(pos, headersEnd - pos).split('\n')) {
            line = line.trimmed();
            const qsizetype colon = line.indexOf(':');
            if (colon < 0) {
                continue;
            }
            const QByteArray name = line.left(colon).trimmed();
            const QByteArray value = line.mid(colon + 1).trimmed();
            if (name.compare("Content-Disposition", Qt::CaseInsensitive) == 0) {
                if (const auto n = parameter(value, "name")) {
                    part.name = QString::fromUtf8(*n);
                    named = true;
                }
                if (const auto f = parameter(value, "filename")) {
                    part.fileName = QString::fromUtf8(*f);
                }
            } else if (name.compare("Content-Type", Qt::CaseInsensitive) == 0) {
                part.contentType = QString::fromUtf8(value);
            }
        }
        if (!named) {
            return fail(QStringLiteral("part %1 has no name").arg(parts.size() + 1));
        }
        const qsizetype dataStart = headersEnd + 4;
        const qsizetype dataEnd = body.indexOf(innerDelimiter, dataStart);
        if (dataEnd < 0) {
            return fail(
                QStringLiteral("part %1 is not closed by the boundary").arg(parts.size() + 1));
        }
        part.data = body.mid(dataStart, dataEnd - dataStart);
        parts.append(part);
        pos = dataEnd + innerDelimiter.size();
    }
}

} // namespace orvane::sandbox
