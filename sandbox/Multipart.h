#pragma once

#include <optional>

#include <QByteArray>
#include <QList>
#include <QString>

namespace orvane::sandbox {

struct FormPart {
    QString name;
    std::optional<QString> fileName; // present for file parts
    QString contentType;             // of file parts; empty when the part names none
    QByteArray data;
};

// Parses a multipart/form-data body. The boundary comes from `contentType`
// ("multipart/form-data; boundary=..." , quoted or not). Binary-safe: a part ends only at CR LF
// followed by "--" and the boundary. Fails with a readable reason on any deviation.
std::optional<QList<FormPart>> parseMultipart(const QByteArray& contentType, const QByteArray& body,
                                              QString* error);

} // namespace orvane::sandbox
