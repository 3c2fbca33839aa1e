#include "settings/SettingsStore.h"

#include <QRegularExpression>

namespace {

// A message shown to the user ends in a full stop unless it already ends in punctuation
// that sorts at or before "." (")" or "." itself).
QString WithFullStop(const QString &message) {
    if (!message.isEmpty() && message.back() > QLatin1Char('.'))
        return message + QLatin1Char('.');
    return message;
}

enum class Kind { Integer, Boolean, Float, Text };

Kind KindOf(const QVariant &v) {
    switch (v.typeId()) {
    case QMetaType::Bool:
        return Kind::Boolean;
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar:
        return Kind::Integer;
    case QMetaType::Double:
    case QMetaType::Float:
        return Kind::Float;
    default:
        return Kind::Text;
    }
}

// Word `index` of a position text split at commas and blanks; `def` when missing or not an
// integer.
int Word(const QStringList &words, int index, int def) {
    if (index >= words.size())
        return def;
    try {
        return SettingsFile::TextToInteger(words[index]);
    } catch (const EConvertError &) {
        return def;
    }
}

QStringList Words(const QString &text) {
    static const QRegularExpression separators(QStringLiteral("[, ]+"));
    return text.split(separators, Qt::SkipEmptyParts);
}

const QString kFormVersionEntry = QStringLiteral("FormVersion");
const QString kShowCmd = QStringLiteral("ShowCmd");
const QString kFlags = QStringLiteral("Flags");
const QString kPixelsPerInch = QStringLiteral("PixelsPerInch");
const QString kMinMaxPos = QStringLiteral("MinMaxPos");
const QString kNormPos = QStringLiteral("NormPos");

} // namespace

SettingsStore::SettingsStore(SettingsFile &file, IWindowPlacement *placement, QObject *parent)
    : QObject(parent), m_file(file), m_placement(placement) {}

void SettingsStore::SplitPath(const QString &path, QString &section, QString &entry) {
    static const QRegularExpression runs(QStringLiteral("\\\\+"));
    QString p = path;
    p.replace(runs, QStringLiteral("\\"));
    while (p.startsWith(QLatin1Char('\\')))
        p.remove(0, 1);
    while (p.endsWith(QLatin1Char('\\')))
        p.chop(1);
    const qsizetype last = p.lastIndexOf(QLatin1Char('\\'));
    section = last < 0 ? QString() : p.left(last);
    entry = p.mid(last + 1);
}

QString SettingsStore::ScreenSuffix(const QSize &screen) {
    return QString::asprintf("(%dx%d)", screen.width(), screen.height());
}

QString SettingsStore::PlacementPath(const QString &entry) const {
    QString app = QString::fromLatin1(kAppStoragePath);
    if (!app.endsWith(QLatin1Char('\\')))
        app += QLatin1Char('\\');
    return app + entry;
}

QString SettingsStore::ValuePath(const QString &name) const {
    return PlacementPath(QString::fromLatin1(kStoredValuesPath) + QLatin1Char('\\') + name);
}

QVariant SettingsStore::ReadStoredValue(const QString &name) const {
    return m_table.ReadStoredValue(name);
}

void SettingsStore::WriteStoredValue(const QString &name, const QVariant &value) {
    m_table.WriteStoredValue(name, value);
}

void SettingsStore::SaveStoredValueNow(const QString &name) {
    for (const StoredValueTable::Entry &e : m_table.Entries())
        if (e.name.compare(name, Qt::CaseInsensitive) == 0) {
            WriteByKind(e.name, e.value);
            return;
        }
}

QVariant SettingsStore::ReadByKind(const QString &name, const QVariant &current) {
    QString section, entry;
    SplitPath(ValuePath(name), section, entry);
    switch (KindOf(current)) {
    case Kind::Integer:
        return QVariant(m_file.ReadInteger(section, entry, current.toInt()));
    case Kind::Boolean:
        return QVariant(m_file.ReadBool(section, entry, current.toBool()));
    case Kind::Float:
        return QVariant(m_file.ReadFloat(section, entry, current.toDouble()));
    case Kind::Text:
        break;
    }
    if (!m_file.ValueExists(section, entry))
        return current;
    return QVariant(m_file.ReadString(section, entry, current.toString()));
}

void SettingsStore::WriteByKind(const QString &name, const QVariant &value) {
    QString section, entry;
    SplitPath(ValuePath(name), section, entry);
    switch (KindOf(value)) {
    case Kind::Integer:
        m_file.WriteInteger(section, entry, static_cast<int>(value.toLongLong()));
        return;
    case Kind::Boolean:
        m_file.WriteBool(section, entry, value.toBool());
        return;
    case Kind::Float:
        m_file.WriteFloat(section, entry, value.toDouble());
        return;
    case Kind::Text:
        break;
    }
    m_file.WriteString(section, entry, value.toString());
}

bool SettingsStore::LoadSettings() {
    m_saved = false;
    m_loaded = true;
    try {
        QString section, entry;
        SplitPath(PlacementPath(kFormVersionEntry), section, entry);
        if (m_file.ReadInteger(section, entry, 0) < kFormVersion)
            return false;
        if (m_placement != nullptr)
            LoadPlacement();
        // By index: a value written meanwhile may append to the table, never reorder it.
        for (qsizetype i = 0; i < m_table.Entries().size(); ++i) {
            const StoredValueTable::Entry e = m_table.Entries()[i];
            m_table.WriteStoredValue(e.name, ReadByKind(e.name, e.value));
        }
    } catch (const EConvertError &e) {
        emit LoadFailed(WithFullStop(e.Message()));
        return false;
    }
    emit RestorePlacement();
    return true;
}

void SettingsStore::LoadPlacement() {
    QString section, entry;
    SplitPath(PlacementPath(kShowCmd), section, entry);
    const QString suffix = ScreenSuffix(m_placement->ScreenSize());
    // The entry for the current screen size wins over the plain one.
    const auto readPosition = [&](const QString &name) {
        if (m_file.ValueExists(section, name + suffix))
            return m_file.ReadString(section, name + suffix, QString());
        return m_file.ReadString(section, name, QString());
    };

    WindowPlacementData p = m_placement->ReadPlacement();
    const QString minMax = readPosition(kMinMaxPos);
    if (!minMax.isEmpty()) {
        const QStringList w = Words(minMax);
        p.minX = Word(w, 0, 0);
        p.minY = Word(w, 1, 0);
        p.maxX = Word(w, 2, 0);
        p.maxY = Word(w, 3, 0);
    }
    const QString norm = readPosition(kNormPos);
    if (!norm.isEmpty()) {
        // The window cannot be resized: only its position comes from the file.
        const QStringList w = Words(norm);
        const QSize size = m_placement->WindowSize();
        p.normalLeft = Word(w, 0, m_placement->WindowLeft());
        p.normalTop = Word(w, 1, m_placement->WindowTop());
        p.normalRight = p.normalLeft + size.width();
        p.normalBottom = p.normalTop + size.height();
    }
    if (!minMax.isEmpty() || !norm.isEmpty()) {
        const int ppi = m_placement->PixelsPerInch();
        if (m_file.ReadInteger(section, kPixelsPerInch, ppi) == ppi)
            m_placement->ApplyPlacement(p);
    }

    switch (m_file.ReadInteger(section, kShowCmd, 0)) {
    case 2:
    case 6:
    case 7:
        m_placement->SetWindowState(WindowShowState::Normal);
        m_placement->MinimizeApplication();
        break;
    case 3:
        m_placement->SetWindowState(WindowShowState::Maximized);
        break;
    default: // 1, 5, 9 and anything else: normal, as designed
        m_placement->SetWindowState(WindowShowState::Normal);
        break;
    }
    m_placement->Repaint();
}

void SettingsStore::SaveSettings() {
    // A value the file cannot hold stops the save before its first write, so the file is
    // left exactly as it was.
    for (const StoredValueTable::Entry &e : m_table.Entries())
        if (KindOf(e.value) == Kind::Text) {
            QString section, entry;
            SplitPath(ValuePath(e.name), section, entry);
            m_file.CheckString(section, entry, e.value.toString());
        }
    QString section, entry;
    SplitPath(PlacementPath(kFormVersionEntry), section, entry);
    m_file.WriteInteger(section, entry, kFormVersion);
    if (m_placement != nullptr)
        SavePlacement();
    for (qsizetype i = 0; i < m_table.Entries().size(); ++i) {
        const StoredValueTable::Entry e = m_table.Entries()[i];
        WriteByKind(e.name, e.value);
    }
    m_saved = true;
}

void SettingsStore::SavePlacement() {
    QString section, entry;
    SplitPath(PlacementPath(kShowCmd), section, entry);
    WindowPlacementData p = m_placement->ReadPlacement();
    if (m_placement->IsApplicationMinimized())
        p.showCmd = 2;
    m_file.WriteInteger(section, kShowCmd, p.showCmd);
    m_file.WriteInteger(section, kFlags, p.flags);
    m_file.WriteInteger(section, kPixelsPerInch, m_placement->PixelsPerInch());

    const QString suffix = ScreenSuffix(m_placement->ScreenSize());
    const QString minMax = QString::asprintf("%d,%d,%d,%d", p.minX, p.minY, p.maxX, p.maxY);
    const QString norm =
        QString::asprintf("%d,%d,%d,%d", p.normalLeft, p.normalTop, p.normalRight, p.normalBottom);
    m_file.WriteString(section, kMinMaxPos + suffix, minMax);
    m_file.WriteString(section, kMinMaxPos, minMax);
    m_file.WriteString(section, kNormPos + suffix, norm);
    m_file.WriteString(section, kNormPos, norm);
}
