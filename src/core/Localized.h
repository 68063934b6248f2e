#pragma once

#include <QHash>
#include <QString>

namespace orvane {

// The text for `key` ("ov_..."), in the user's language. Looked up, in this order, in the host's
// texts for the language (setHostTexts), the kit's own table for it, the host's English texts and
// the kit's English table; a key none of them has yields the key itself. The kit's tables are
// compiled into the library (":/orvane/strings/<language>.json"). The language follows the default
// QLocale unless setLocalizationLanguage chose one. Thread-safe.
QString localized(const QString& key);

// Chooses the table by language code ("en", "ko"); an empty code goes back to the default locale.
// For tests and tools.
void setLocalizationLanguage(const QString& languageCode);

// Replaces the host's texts for one language ("de"). A key that is not one of the kit's "ov_" keys,
// or a text whose placeholders ("%1", "%2", ...) differ from those of the kit's English text, is
// refused with a warning; the others are taken. An empty `texts` drops the language's host texts.
// Returns true when every text was taken. Thread-safe.
bool setHostTexts(const QString& languageCode, const QHash<QString, QString>& texts);

} // namespace orvane
