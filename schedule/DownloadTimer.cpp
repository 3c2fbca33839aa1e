#include "schedule/DownloadTimer.h"

#include "core/Trace.h"
#include "settings/StoredValues.h"

DownloadTick::DownloadTick(IStoredValues &values, ProgramState &state, RunImport runImport,
                           Trace trace)
    : m_values(values), m_state(state), m_runImport(std::move(runImport)),
      m_trace(trace ? std::move(trace) : Trace(&TraceMessage)) {}

void DownloadTick::Tick() {
    if (!m_values.ReadStoredValue(QStringLiteral("DownloadAuto")).toBool()) {
        m_trace("tmrDownloadTimer: Nije uključen auto download - poništavam brojač sekundi");
        m_state.elapsedSeconds = 0;
        return;
    }
    if (m_state.downloadInProgress) {
        m_trace("tmrDownloadTimer: Download je u toku, pa neću da brojim sekunde");
        return;
    }
    ++m_state.elapsedSeconds;
    m_trace("tmrDownloadTimer: Prošlo je " + std::to_string(m_state.elapsedSeconds) + " sekundi");

    const std::uint32_t minutes = m_state.elapsedSeconds / 60u;
    const int downloadTime = m_values.ReadStoredValue(QStringLiteral("DownloadTime")).toInt();
    // Compared as unsigned: a negative period never comes due.
    if (static_cast<std::uint32_t>(downloadTime) <= minutes) {
        m_trace("tmrDownloadTimer: Prošlo je " + std::to_string(downloadTime) +
                " minuta, pokrećem download");
        m_state.elapsedSeconds = 0;
        if (m_runImport)
            m_runImport();
    }
}

DownloadTimer::DownloadTimer(DownloadTick &tick, QObject *parent) : QObject(parent), m_tick(tick) {
    tmrDownload.setObjectName(QStringLiteral("tmrDownload"));
    tmrDownload.setInterval(1000);
    connect(&tmrDownload, &QTimer::timeout, this, &DownloadTimer::tmrDownloadTimer);
    tmrDownload.start();
}

void DownloadTimer::tmrDownloadTimer() {
    m_tick.Tick();
    emit Ticked();
}
