#pragma once
// Reader of GNU gettext binary message catalogues (.mo), in either byte order.

#include <QByteArray>
#include <QHash>
#include <QString>

class MoCatalog {
public:
    // Reads the whole file. Throws Exception naming the file and the reason when it cannot be
    // read or is not a catalogue.
    static MoCatalog Load(const QString &path);
    // The same for bytes already in memory; `path` only names them in messages.
    static MoCatalog Parse(const QByteArray &data, const QString &path);

    // The translation of a UTF-8 key (its first form when the entry has plural forms), or
    // nullptr when the catalogue has no entry for it.
    const QByteArray *Find(const QByteArray &utf8Key) const;
    // The header entry (the translation of the empty key); empty when missing.
    QByteArray Header() const;
    int Count() const { return static_cast<int>(m_entries.size()); }

private:
    QHash<QByteArray, QByteArray> m_entries;
};

// The value of the header's first "Content-Type: " line (prefix compared without regard to
// case), trimmed; empty when there is none.
QByteArray HeaderContentType(const QByteArray &header);
