#pragma once
// Automatic downloads: a one-second tick that counts elapsed seconds and starts an import
// run when DownloadTime minutes have passed, and the enabling of the Download command.

#include "core/ProgramState.h"

#include <QObject>
#include <QTimer>
#include <functional>
#include <string>

class IStoredValues;

// The tick itself, free of timers so that it is driven directly in tests.
class DownloadTick {
public:
    using RunImport = std::function<void()>;
    using Trace = std::function<void(const std::string &utf8)>;

    // trace defaults to TraceMessage.
    DownloadTick(IStoredValues &values, ProgramState &state, RunImport runImport, Trace trace = {});

    void Tick();

private:
    IStoredValues &m_values;
    ProgramState &m_state;
    RunImport m_runImport;
    Trace m_trace;
};

// The Download command is enabled exactly while no run is in progress.
inline bool DownloadCommandEnabled(const ProgramState &state) {
    return !state.downloadInProgress;
}

// tmrDownload: fires every 1000 ms from creation until destruction; only calls the tick.
class DownloadTimer : public QObject {
    Q_OBJECT
public:
    DownloadTimer(DownloadTick &tick, QObject *parent = nullptr);

    QTimer tmrDownload;

signals:
    // After every tick (a run started by it has returned by then).
    void Ticked();

private:
    void tmrDownloadTimer();
    DownloadTick &m_tick;
};
