#pragma once
// Named parameter markers (":name") in a query text, turned into the positional "?" markers
// that ODBC binds by position.

#include <QString>
#include <QStringList>

struct MarkerScan {
    QString text;      // the text as the driver receives it
    QStringList names; // one name per "?" marker, in order of appearance
};

// Quotes (' " `) toggle quoted text, where nothing is a marker; outside it "::" is a literal
// colon and ":name" a marker whose name ends before LF, CR, space, ')', ',', ';' or the end.
MarkerScan ScanParameterMarkers(const QString &sql);
