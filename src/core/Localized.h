#pragma once

#include <QString>

namespace orvane {

// The text the kit's own string table holds for `key` ("ov_..."), in the user's language.
// Tables are compiled into the library (":/orvane/strings/<language>.json"); the language follows
// the system locale, English is the fallback for a language or a key a table lacks, and a key no
// table has yields the key itself. Thread-safe.
QString localized(const QString& key);

// Chooses the table by language code ("en", "ko"); an empty code goes back to the system locale.
// For tests and for hosts that run their own language setting.
void setLocalizationLanguage(const QString& languageCode);

} // namespace orvane
