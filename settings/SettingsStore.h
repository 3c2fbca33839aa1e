#pragma once
// The settings store (the main window's storForm): the stored values in memory and the main
// window's placement, moved between memory and the settings file.
//
// Usage by the main window:
//     SettingsFile storApp;                    // settings.ini beside the executable
//     SettingsStore storForm(storApp, *this);  // *this implements IWindowPlacement
//     connect(&storForm, &SettingsStore::RestorePlacement, this, &X::storFormRestorePlacement);
//     connect(&storForm, &SettingsStore::LoadFailed, this, &X::ShowStopBox); // text ends in "."
//     first show:     storForm.LoadSettings();
//     Options OK:     storForm.SaveSettings();  // may throw EFCreateError, EUnstorableValue
//     close:          storForm.SaveSettings();          // catch, show, go on closing
//     destruction:    if (storForm.NeedsSaveOnDestroy()) storForm.SaveSettings(); // catch
// Everyone else sees only IStoredValues: ReadStoredValue / WriteStoredValue work on memory;
// SaveStoredValueNow writes one value to the file at once (used for EventIDLast).

#include "settings/SettingsFile.h"
#include "settings/StoredValues.h"
#include "settings/WindowPlacement.h"

#include <QObject>
#include <QString>

class SettingsStore : public QObject, public IStoredValues {
    Q_OBJECT
public:
    // Both must outlive the store. The placement may be null (no window: placement skipped).
    SettingsStore(SettingsFile &file, IWindowPlacement *placement, QObject *parent = nullptr);

    void SetWindowPlacement(IWindowPlacement *placement) { m_placement = placement; }

    QVariant ReadStoredValue(const QString &name) const override;
    void WriteStoredValue(const QString &name, const QVariant &value) override;
    // Writes this one value to the file now (re-read, rewrite, read-only honoured).
    // A name not in the table does nothing. May throw EFCreateError or EUnstorableValue.
    void SaveStoredValueNow(const QString &name) override;

    // Loads placement and stored values. On a value that cannot be converted the load stops
    // there, LoadFailed is emitted with the message and a full stop, and false is returned;
    // RestorePlacement is emitted only after a complete load. A stored form version below 0
    // loads nothing and returns false without a message.
    bool LoadSettings();
    // Writes the form version, the placement and every stored value. Throws EFCreateError
    // when the file cannot be written; the save stops there, memory is unchanged. A text
    // value the file's code page cannot hold throws EUnstorableValue before anything is
    // written.
    void SaveSettings();

    bool SavedSinceLoad() const { return m_saved; }
    // Loaded at least once and not saved since: the main window saves when destroyed.
    bool NeedsSaveOnDestroy() const { return m_loaded && !m_saved; }

    // Section and entry of a path: backslashes joined, runs collapsed, ends stripped.
    static void SplitPath(const QString &path, QString &section, QString &entry);
    static QString ScreenSuffix(const QSize &screen);

    static constexpr const char *kAppStoragePath = "fVantrelForm\\";
    static constexpr const char *kStoredValuesPath = "Settings";
    static constexpr int kFormVersion = 0;

signals:
    void RestorePlacement();
    void LoadFailed(const QString &message);

private:
    void LoadPlacement();
    void SavePlacement();
    QVariant ReadByKind(const QString &name, const QVariant &current);
    void WriteByKind(const QString &name, const QVariant &value);
    QString PlacementPath(const QString &entry) const;
    QString ValuePath(const QString &name) const;

    SettingsFile &m_file;
    IWindowPlacement *m_placement;
    StoredValueTable m_table;
    bool m_loaded = false;
    bool m_saved = false;
};
