#include "import/OdbcSyntax.h"

bool IsBracedOdbcValue(const QString &value) {
    if (value.size() < 2 || value.front() != QLatin1Char('{') || value.back() != QLatin1Char('}'))
        return false;
    for (qsizetype i = 1; i < value.size() - 1; ++i) {
        if (value[i] != QLatin1Char('}'))
            continue;
        if (i + 1 >= value.size() - 1 || value[i + 1] != QLatin1Char('}'))
            return false;
        ++i;
    }
    return true;
}

// FreeTDS reads a braced value up to the first "};" (or "}" at the end) and keeps every other
// "}" as it is, so doubling a "}" would alter the value.
std::optional<QString> FreeTdsValue(const QString &value) {
    const bool plain = !value.isEmpty() && !value.contains(QLatin1Char(';')) &&
                       value.front() != QLatin1Char('{') && !value.front().isSpace() &&
                       !value.back().isSpace();
    if (plain)
        return value;
    if (value.contains(QLatin1String("};")))
        return std::nullopt;
    return QLatin1Char('{') + value + QLatin1Char('}');
}

QList<QPair<QString, QString>> ParseOdbcPairs(const QString &text) {
    QList<QPair<QString, QString>> pairs;
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n) {
        const qsizetype eq = text.indexOf(QLatin1Char('='), i);
        const qsizetype semi = text.indexOf(QLatin1Char(';'), i);
        if (eq < 0 || (semi >= 0 && semi < eq)) {
            const QString stray = text.mid(i, semi < 0 ? n - i : semi - i).trimmed();
            if (!stray.isEmpty())
                pairs.append({stray, QString()});
            if (semi < 0)
                break;
            i = semi + 1;
            continue;
        }
        const QString key = text.mid(i, eq - i).trimmed();
        i = eq + 1;
        while (i < n && text[i].isSpace())
            ++i;
        QString value;
        if (i < n && text[i] == QLatin1Char('{')) {
            ++i;
            while (i < n) {
                if (text[i] == QLatin1Char('}')) {
                    if (i + 1 < n && text[i + 1] == QLatin1Char('}')) {
                        value += QLatin1Char('}');
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                value += text[i++];
            }
            const qsizetype next = text.indexOf(QLatin1Char(';'), i);
            i = next < 0 ? n : next + 1;
        } else {
            const qsizetype next = text.indexOf(QLatin1Char(';'), i);
            value = text.mid(i, (next < 0 ? n : next) - i).trimmed();
            i = next < 0 ? n : next + 1;
        }
        pairs.append({key, value});
    }
    return pairs;
}

QString QuoteOdbcValue(const QString &value) {
    const bool plain = !value.isEmpty() && !value.contains(QLatin1Char(';')) &&
                       !value.contains(QLatin1Char('{')) && !value.contains(QLatin1Char('}')) &&
                       !value.contains(QLatin1Char('=')) && !value.front().isSpace() &&
                       !value.back().isSpace();
    if (plain)
        return value;
    QString escaped = value;
    escaped.replace(QLatin1Char('}'), QLatin1String("}}"));
    return QLatin1Char('{') + escaped + QLatin1Char('}');
}

bool OdbcStringHasKey(const QString &odbc, const QString &keyword) {
    const qsizetype n = odbc.size();
    qsizetype i = 0;
    while (i < n) {
        const qsizetype eq = odbc.indexOf(QLatin1Char('='), i);
        const qsizetype semi = odbc.indexOf(QLatin1Char(';'), i);
        if (eq < 0)
            return false;
        if (semi >= 0 && semi < eq) {
            i = semi + 1;
            continue;
        }
        if (odbc.mid(i, eq - i).trimmed().compare(keyword, Qt::CaseInsensitive) == 0)
            return true;
        i = eq + 1;
        while (i < n && odbc[i].isSpace())
            ++i;
        if (i < n && odbc[i] == QLatin1Char('{')) {
            // Braced value: "}}" is a literal brace, a single "}" ends it.
            ++i;
            while (i < n) {
                if (odbc[i] == QLatin1Char('}')) {
                    if (i + 1 < n && odbc[i + 1] == QLatin1Char('}')) {
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                ++i;
            }
        }
        const qsizetype next = odbc.indexOf(QLatin1Char(';'), i);
        if (next < 0)
            return false;
        i = next + 1;
    }
    return false;
}

QString FreeTdsValueRefusal(const QString &keyword, const QString &driver) {
    return QStringLiteral("The value of the keyword \"%1\" cannot be passed to the ODBC driver "
                          "\"%2\" because it contains \"};\"")
        .arg(keyword, driver);
}

void AppendOdbcPair(QString &out, const QString &key, const QString &value) {
    if (!out.isEmpty())
        out += QLatin1Char(';');
    out += key + QLatin1Char('=') + QuoteOdbcValue(value);
}
