#include "settings/SettingsFile.h"

#include "core/Trace.h"
#include "i18n/TextLookup.h"
#include "settings/FilePlatform.h"
#include "settings/WholeFileWrite.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <limits>

namespace {

const QStringList kTrueTexts = {QStringLiteral("TRUE"), QStringLiteral("YES"), QStringLiteral("Y")};
const QStringList kFalseTexts = {QStringLiteral("FALSE"), QStringLiteral("NO"),
                                 QStringLiteral("N")};

QString WithIniExtension(const QString &fileName) {
    return QFileInfo(fileName).suffix().isEmpty() ? fileName + QStringLiteral(".ini") : fileName;
}

[[noreturn]] void ThrowInvalidInteger(const QString &text) {
    throw EConvertError(
        QString::asprintf(TextLookup("'%s' is not a valid integer value").toUtf8().constData(),
                          text.toUtf8().constData()));
}

// The format has no way to hold a line break: each CR and LF is dropped.
QString WithoutLineBreaks(QString text) {
    text.remove(QLatin1Char('\r'));
    text.remove(QLatin1Char('\n'));
    return text.trimmed();
}

} // namespace

SettingsFile::SettingsFile()
    : SettingsFile(
          QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("settings.ini"))) {}

SettingsFile::SettingsFile(const QString &fileName)
    : m_fileName(QFileInfo(WithIniExtension(fileName)).absoluteFilePath()) {
    Reload();
}

SettingsFile::~SettingsFile() {
    if (!m_unwritten)
        return;
    try {
        Flush();
    } catch (const std::exception &e) {
        TraceMessage(e.what());
    }
}

bool SettingsFile::IsReadOnly() const {
    return IsReadOnlyFile(QFile::encodeName(m_fileName).toStdString());
}

void SettingsFile::Reload() {
    m_preamble.clear();
    m_sections.clear();
    m_unwritten = false;
    m_readFailed = false;
    m_readError.clear();
    m_codePage = FileCodePage::User; // what a new file gets

    QFile file(m_fileName);
    if (!file.exists())
        return;
    if (!file.open(QIODevice::ReadOnly)) {
        m_readFailed = true;
        m_readError = file.errorString();
        return;
    }
    const QByteArray bytes = file.readAll();
    m_codePage = CodePageOfFile(bytes.toStdString());
    const auto decode = [this](const QByteArray &raw) {
        const std::string utf8 = FileTextToUtf8(raw.toStdString(), m_codePage);
        return QString::fromUtf8(utf8.data(), qsizetype(utf8.size()));
    };

    // CR LF, a lone LF or a lone CR ends a line (the same bytes in every code page we read).
    QList<QByteArray> rawLines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (bytes[i] != '\r' && bytes[i] != '\n')
            continue;
        rawLines.append(bytes.mid(start, i - start));
        if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < bytes.size())
        rawLines.append(bytes.mid(start));

    for (const QByteArray &raw : rawLines) {
        const QString line = decode(raw).trimmed();
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            m_sections.append({line.mid(1, line.size() - 2).trimmed(), raw, {}});
            continue;
        }
        if (m_sections.isEmpty()) {
            m_preamble.append(raw);
            continue;
        }
        Line l;
        l.raw = raw.isNull() ? QByteArray("") : raw;
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq >= 0 && !line.startsWith(QLatin1Char(';'))) {
            l.isEntry = true;
            l.name = line.left(eq).trimmed();
            l.value = line.mid(eq + 1).trimmed();
        } else {
            l.value = line;
        }
        m_sections.back().lines.append(l);
    }
    // The empty lines that end a section separate it from the next one; the writer puts
    // exactly one back, so they are not kept.
    for (Section &s : m_sections)
        while (!s.lines.isEmpty() && !s.lines.back().isEntry && s.lines.back().value.isEmpty())
            s.lines.removeLast();
}

SettingsFile::Section *SettingsFile::FindSection(const QString &section) {
    for (Section &s : m_sections)
        if (s.name.compare(section, Qt::CaseInsensitive) == 0)
            return &s;
    return nullptr;
}

const SettingsFile::Line *SettingsFile::FindEntry(const QString &section, const QString &entry) {
    Section *s = FindSection(section);
    if (s == nullptr)
        return nullptr;
    for (const Line &l : s->lines)
        if (l.isEntry && l.name.compare(entry, Qt::CaseInsensitive) == 0)
            return &l;
    return nullptr;
}

bool SettingsFile::SectionExists(const QString &section) {
    Reload();
    return FindSection(section) != nullptr;
}

bool SettingsFile::ValueExists(const QString &section, const QString &entry) {
    Reload();
    return FindEntry(section, entry) != nullptr;
}

QString SettingsFile::ReadString(const QString &section, const QString &entry, const QString &def) {
    Reload();
    const Line *l = FindEntry(section, entry);
    return l == nullptr ? def : l->value;
}

int SettingsFile::ReadInteger(const QString &section, const QString &entry, int def) {
    Reload();
    const Line *l = FindEntry(section, entry);
    return l == nullptr ? def : TextToInteger(l->value);
}

bool SettingsFile::ReadBool(const QString &section, const QString &entry, bool def) {
    Reload();
    const Line *l = FindEntry(section, entry);
    return l == nullptr ? def : TextToBool(l->value);
}

double SettingsFile::ReadFloat(const QString &section, const QString &entry, double def) {
    Reload();
    const Line *l = FindEntry(section, entry);
    if (l == nullptr || l->value.isEmpty())
        return def;
    bool ok = false;
    const double d = l->value.toDouble(&ok);
    if (!ok)
        throw EConvertError(QString::asprintf(
            TextLookup("'%s' is not a valid floating point value").toUtf8().constData(),
            l->value.toUtf8().constData()));
    return d;
}

int SettingsFile::TextToInteger(const QString &text) {
    const QString t = text.trimmed();
    if (t.isEmpty())
        return 0;
    qsizetype i = 0;
    bool negative = false;
    if (t[0] == QLatin1Char('+') || t[0] == QLatin1Char('-')) {
        negative = t[0] == QLatin1Char('-');
        ++i;
    }
    int base = 10;
    if (i < t.size() && t[i] == QLatin1Char('$')) {
        base = 16;
        ++i;
    } else if (i + 1 < t.size() && t[i] == QLatin1Char('0') &&
               (t[i + 1] == QLatin1Char('x') || t[i + 1] == QLatin1Char('X'))) {
        base = 16;
        i += 2;
    }
    const QString digits = t.mid(i);
    if (digits.isEmpty())
        ThrowInvalidInteger(text);
    qint64 value = 0;
    for (const QChar c : digits) {
        const int d =
            c.isDigit() && c.unicode() < 128 ? c.unicode() - '0'
            : base == 16 && c.toLower() >= QLatin1Char('a') && c.toLower() <= QLatin1Char('f')
                ? c.toLower().unicode() - 'a' + 10
                : -1;
        if (d < 0)
            ThrowInvalidInteger(text);
        value = value * base + d;
        if (value > 0xFFFFFFFFLL)
            ThrowInvalidInteger(text);
    }
    if (base == 16) {
        // Hexadecimal gives the 32-bit pattern: $FFFFFFFF is -1.
        const qint32 pattern = static_cast<qint32>(static_cast<quint32>(value));
        return negative ? static_cast<int>(0u - static_cast<quint32>(pattern)) : pattern;
    }
    if (negative)
        value = -value;
    if (value < std::numeric_limits<qint32>::min() || value > std::numeric_limits<qint32>::max())
        ThrowInvalidInteger(text);
    return static_cast<int>(value);
}

bool SettingsFile::TextToBool(const QString &text) {
    for (const QString &t : kTrueTexts)
        if (text.compare(t, Qt::CaseInsensitive) == 0)
            return true;
    for (const QString &t : kFalseTexts)
        if (text.compare(t, Qt::CaseInsensitive) == 0)
            return false;
    return TextToInteger(text) != 0;
}

void SettingsFile::WriteString(const QString &section, const QString &entry, const QString &value) {
    WriteValue(section, entry, WithoutLineBreaks(value));
}

void SettingsFile::WriteInteger(const QString &section, const QString &entry, int value) {
    WriteValue(section, entry, QString::number(value));
}

void SettingsFile::WriteBool(const QString &section, const QString &entry, bool value) {
    WriteValue(section, entry, value ? kTrueTexts.front() : kFalseTexts.front());
}

void SettingsFile::WriteFloat(const QString &section, const QString &entry, double value) {
    WriteValue(section, entry, QString::number(value, 'g', 15));
}

void SettingsFile::CheckString(const QString &section, const QString &entry, const QString &value) {
    Reload();
    if (!IsReadOnly())
        RequireHoldable(section, WithoutLineBreaks(entry), WithoutLineBreaks(value));
}

bool SettingsFile::CanHold(const QString &text) const {
    // What comes back from the file's bytes must be the text: no "?" or best-fit stand-in.
    const std::string bytes = Utf8ToFileText(text.toStdString(), m_codePage);
    const std::string back = FileTextToUtf8(bytes, m_codePage);
    return QString::fromUtf8(back.data(), qsizetype(back.size())) == text;
}

// Checks the lines that setting the entry would encode anew (an unchanged value keeps its
// bytes). A password saved as "?" would fail every later login without saying why, so the
// value is refused by name instead, before anything changes.
void SettingsFile::RequireHoldable(const QString &section, const QString &entry,
                                   const QString &text) {
    const Section *s = FindSection(section);
    const Line *l = s == nullptr ? nullptr : FindEntry(section, entry);
    if (l != nullptr && l->value == text)
        return;
    const QString line = (l != nullptr ? l->name : entry) + QLatin1Char('=') + text;
    if (CanHold(line) && (s != nullptr || CanHold(section.trimmed())))
        return;
    throw EUnstorableValue(QString::asprintf(
        TextLookup("Cannot save entry \"%s\" of section \"%s\" in \"%s\": the file's code page "
                   "%s has no place for some characters of the value. Nothing in the file was "
                   "changed")
            .toUtf8()
            .constData(),
        entry.toUtf8().constData(), section.toUtf8().constData(),
        QDir::toNativeSeparators(m_fileName).toUtf8().constData(),
        FileCodePageName(m_codePage).c_str()));
}

void SettingsFile::WriteValue(const QString &section, const QString &entry, const QString &text) {
    Reload();
    if (IsReadOnly())
        return;
    const QString name = WithoutLineBreaks(entry);
    RequireHoldable(section, name, text);
    Section *s = FindSection(section);
    if (s == nullptr) {
        m_sections.append({section.trimmed(), {}, {}});
        s = &m_sections.back();
    }
    bool replaced = false;
    for (Line &l : s->lines)
        if (l.isEntry && l.name.compare(name, Qt::CaseInsensitive) == 0) {
            // The same value keeps the line as the user wrote it.
            if (l.value != text) {
                l.value = text;
                l.raw = QByteArray();
            }
            replaced = true;
            break;
        }
    if (!replaced) {
        Line l;
        l.isEntry = true;
        l.name = name;
        l.value = text;
        s->lines.append(l);
    }
    m_unwritten = true;
    Flush();
}

QByteArray SettingsFile::Serialize() const {
    const auto encode = [this](const QString &text) {
        const std::string bytes = Utf8ToFileText(text.toStdString(), m_codePage);
        return QByteArray(bytes.data(), qsizetype(bytes.size()));
    };
    const QByteArray crlf("\r\n");
    QByteArray out;
    for (const QByteArray &line : m_preamble)
        out += line + crlf;
    for (const Section &s : m_sections) {
        out +=
            (s.raw.isNull() ? encode(QLatin1Char('[') + s.name + QLatin1Char(']')) : s.raw) + crlf;
        for (const Line &l : s.lines) {
            if (!l.raw.isNull())
                out += l.raw;
            else
                out += encode(l.isEntry ? l.name + QLatin1Char('=') + l.value : l.value);
            out += crlf;
        }
        out += crlf;
    }
    return out;
}

void SettingsFile::Flush() {
    const auto fail = [this](const QString &reason) {
        throw EFCreateError(
            QString::asprintf(TextLookup("Cannot create file \"%s\". %s").toUtf8().constData(),
                              QDir::toNativeSeparators(m_fileName).toUtf8().constData(),
                              reason.toUtf8().constData()));
    };
    // A file that exists but could not be read is not replaced by what little we know of it.
    if (m_readFailed)
        fail(m_readError);

    QDir().mkpath(QFileInfo(m_fileName).absolutePath()); // a failure shows as the file's own
    // The file holds connection strings with passwords: a new one is for its owner only.
    const QString reason =
        WriteWholeFile(m_fileName, Serialize(), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    if (!reason.isEmpty())
        fail(reason);
    m_unwritten = false;
}
