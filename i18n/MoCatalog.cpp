#include "i18n/MoCatalog.h"

#include "core/Exceptions.h"

#include <QFile>
#include <QList>

namespace {

constexpr quint32 kMagic = 0x950412de;
constexpr quint32 kMagicSwapped = 0xde120495;
constexpr qsizetype kHeaderSize = 20; // magic, revision, count, two table offsets

[[noreturn]] void Fail(const QString &path, const QString &reason) {
    throw Exception(
        QStringLiteral("The translation catalogue %1 cannot be read: %2").arg(path, reason));
}

class Reader {
public:
    Reader(const QByteArray &data, bool swapped) : m_data(data), m_swapped(swapped) {}

    bool Word(qsizetype offset, quint32 &value) const {
        if (offset < 0 || offset > m_data.size() - 4)
            return false;
        const auto *p = reinterpret_cast<const uchar *>(m_data.constData() + offset);
        value = m_swapped ? (quint32(p[0]) << 24 | quint32(p[1]) << 16 | quint32(p[2]) << 8 | p[3])
                          : (quint32(p[3]) << 24 | quint32(p[2]) << 16 | quint32(p[1]) << 8 | p[0]);
        return true;
    }

    // A string table row: length and offset; the text must lie inside the file.
    bool String(qsizetype tableOffset, quint32 index, QByteArray &text) const {
        const qsizetype row = tableOffset + qsizetype(index) * 8;
        quint32 length = 0, offset = 0;
        if (!Word(row, length) || !Word(row + 4, offset))
            return false;
        if (qsizetype(offset) > m_data.size() || qsizetype(length) > m_data.size() - offset)
            return false;
        text = m_data.mid(offset, length);
        return true;
    }

private:
    const QByteArray &m_data;
    bool m_swapped;
};

// Entries with plural forms keep their forms NUL-separated; the singular key and the first
// form are what a plain lookup uses.
QByteArray FirstForm(const QByteArray &text) {
    const qsizetype nul = text.indexOf('\0');
    return nul < 0 ? text : text.left(nul);
}

} // namespace

MoCatalog MoCatalog::Load(const QString &path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        Fail(path, file.errorString());
    const QByteArray data = file.readAll();
    if (file.error() != QFileDevice::NoError)
        Fail(path, file.errorString());
    return Parse(data, path);
}

MoCatalog MoCatalog::Parse(const QByteArray &data, const QString &path) {
    if (data.size() < kHeaderSize)
        Fail(path, QStringLiteral("the file is too short to be a message catalogue"));
    quint32 magic = 0;
    Reader(data, false).Word(0, magic);
    if (magic != kMagic && magic != kMagicSwapped)
        Fail(path, QStringLiteral("the file does not start with the GNU gettext magic number"));
    const Reader reader(data, magic == kMagicSwapped);
    quint32 revision = 0, count = 0, originals = 0, translations = 0;
    reader.Word(4, revision);
    reader.Word(8, count);
    reader.Word(12, originals);
    reader.Word(16, translations);
    // Major revisions other than 0 and 1 are formats this reader does not know.
    if ((revision >> 16) > 1)
        Fail(path, QStringLiteral("unknown file format revision %1").arg(revision >> 16));
    if (qsizetype(count) > data.size() / 8)
        Fail(path, QStringLiteral("the string tables lie outside the file"));

    MoCatalog catalog;
    catalog.m_entries.reserve(count);
    for (quint32 i = 0; i < count; ++i) {
        QByteArray original, translation;
        if (!reader.String(originals, i, original) || !reader.String(translations, i, translation))
            Fail(path, QStringLiteral("string %1 lies outside the file").arg(i));
        catalog.m_entries.insert(FirstForm(original), FirstForm(translation));
    }
    return catalog;
}

const QByteArray *MoCatalog::Find(const QByteArray &utf8Key) const {
    const auto it = m_entries.constFind(utf8Key);
    return it == m_entries.constEnd() ? nullptr : &it.value();
}

QByteArray MoCatalog::Header() const {
    return m_entries.value(QByteArray());
}

QByteArray HeaderContentType(const QByteArray &header) {
    static const QByteArray kPrefix = "content-type: ";
    for (const QByteArray &line : header.split('\n')) {
        if (line.size() >= kPrefix.size() && line.left(kPrefix.size()).toLower() == kPrefix)
            return line.mid(kPrefix.size()).trimmed();
    }
    return {};
}
