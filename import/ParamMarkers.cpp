#include "import/ParamMarkers.h"

namespace {

bool IsQuote(QChar c) {
    return c == QLatin1Char('\'') || c == QLatin1Char('"') || c == QLatin1Char('`');
}

// A tab is deliberately not among them: ":a\tb" names "a\tb".
bool IsNameDelimiter(QChar c) {
    return c == QLatin1Char('\n') || c == QLatin1Char('\r') || c == QLatin1Char(' ') ||
           c == QLatin1Char(')') || c == QLatin1Char(',') || c == QLatin1Char(';');
}

} // namespace

MarkerScan ScanParameterMarkers(const QString &sql) {
    MarkerScan result;
    result.text.reserve(sql.size());
    bool quoted = false;
    const qsizetype n = sql.size();
    qsizetype i = 0;
    while (i < n) {
        const QChar c = sql.at(i);
        if (IsQuote(c)) {
            quoted = !quoted;
            result.text.append(c);
            ++i;
            continue;
        }
        if (quoted || c != QLatin1Char(':')) {
            result.text.append(c);
            ++i;
            continue;
        }
        if (i + 1 < n && sql.at(i + 1) == QLatin1Char(':')) {
            result.text.append(QLatin1Char(':'));
            i += 2;
            continue;
        }
        // A marker. Only a name that opens with a quote is quoted, as in :"my name"; a quote
        // further on is an ordinary character of the name and shelters nothing.
        const qsizetype start = i + 1;
        qsizetype end = start;
        if (end < n && IsQuote(sql.at(end))) {
            const QChar quote = sql.at(end);
            ++end;
            while (end < n && sql.at(end) != quote)
                ++end;
            if (end < n)
                ++end; // the closing quote
        }
        while (end < n && !IsNameDelimiter(sql.at(end)))
            ++end;
        QString name = sql.mid(start, end - start);
        if (!name.isEmpty() && IsQuote(name.front())) {
            const QChar quote = name.front();
            name.remove(0, 1);
            if (!name.isEmpty() && name.back() == quote)
                name.chop(1);
        }
        result.names.append(name);
        result.text.append(QLatin1Char('?'));
        i = end;
    }
    return result;
}
