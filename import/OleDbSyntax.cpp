#include "import/OleDbSyntax.h"

namespace {

using Pairs = OleDbPairs;

// Strict: any break of the syntax gives nothing, so that the driver manager reports the string.
// Lenient, for a string being edited: segments without "=" or keyword are dropped, an
// unterminated quote takes the rest of the text, text after a closing quote is ignored.
std::optional<Pairs> ScanOleDbPairs(const QString &text, bool lenient) {
    Pairs pairs;
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n) {
        // Keyword, up to "="; "==" stands for a literal "=" in it.
        QString key;
        while (i < n) {
            const QChar c = text[i];
            if (c == QLatin1Char('=')) {
                if (i + 1 < n && text[i + 1] == QLatin1Char('=')) {
                    key += c;
                    i += 2;
                    continue;
                }
                break;
            }
            if (c == QLatin1Char(';'))
                break;
            key += c;
            ++i;
        }
        key = key.trimmed();
        if (i >= n || text[i] == QLatin1Char(';')) {
            if (!key.isEmpty() && !lenient)
                return std::nullopt; // a keyword without a value
            ++i;                     // an empty pair
            continue;
        }
        ++i; // the "="
        while (i < n && text[i].isSpace())
            ++i;
        QString value;
        if (i < n && (text[i] == QLatin1Char('\'') || text[i] == QLatin1Char('"'))) {
            const QChar quote = text[i++];
            bool closed = false;
            while (i < n) {
                if (text[i] == quote) {
                    if (i + 1 < n && text[i + 1] == quote) {
                        value += quote;
                        i += 2;
                        continue;
                    }
                    ++i;
                    closed = true;
                    break;
                }
                value += text[i++];
            }
            if (!closed && !lenient)
                return std::nullopt;
            while (i < n && text[i].isSpace())
                ++i;
            if (i < n && text[i] != QLatin1Char(';')) {
                if (!lenient)
                    return std::nullopt; // text after the closing quote
                while (i < n && text[i] != QLatin1Char(';'))
                    ++i;
            }
        } else {
            while (i < n && text[i] != QLatin1Char(';'))
                value += text[i++];
            value = value.trimmed();
        }
        ++i; // the ";"
        if (key.isEmpty()) {
            if (!lenient)
                return std::nullopt;
            continue;
        }
        pairs.append({key, value});
    }
    return pairs;
}

} // namespace

std::optional<OleDbPairs> ParseOleDbString(const QString &text) {
    return ScanOleDbPairs(text, false);
}

OleDbPairs ParseOleDbStringLenient(const QString &text) {
    return *ScanOleDbPairs(text, true);
}

QString OleDbValue(const OleDbPairs &pairs, const QString &key) {
    QString value; // the last one wins, as with OLE DB
    for (const auto &pair : pairs)
        if (pair.first.compare(key, Qt::CaseInsensitive) == 0)
            value = pair.second;
    return value;
}

bool OleDbHas(const OleDbPairs &pairs, const QString &key) {
    for (const auto &pair : pairs)
        if (pair.first.compare(key, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}
