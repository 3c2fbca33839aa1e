#include "TdsTestServer.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>

TdsTestServer::TdsTestServer(const QJsonObject &script) {
    if (!m_dir.isValid()) {
        m_error = QStringLiteral("no temporary directory");
        return;
    }
    const QString scriptPath = m_dir.filePath(QStringLiteral("script.json"));
    QFile file(scriptPath);
    if (!file.open(QIODevice::WriteOnly) || file.write(QJsonDocument(script).toJson()) < 0 ||
        !file.flush()) {
        m_error = QStringLiteral("cannot write ") + scriptPath;
        return;
    }
    file.close();
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process.start(Python(), {ServerScript(), QStringLiteral("--log"),
                               m_dir.filePath(QStringLiteral("log.jsonl")),
                               QStringLiteral("--script"), scriptPath});
    if (!m_process.waitForStarted(10000)) {
        m_error = m_process.errorString();
        return;
    }
    QByteArray line;
    while (!line.endsWith('\n') && m_process.waitForReadyRead(10000))
        line += m_process.readLine();
    if (!line.startsWith("PORT ")) {
        m_error = QStringLiteral("the server did not report its port: ") +
                  QString::fromUtf8(line + m_process.readAll());
        return;
    }
    m_port = quint16(line.mid(5).trimmed().toUInt());
}

TdsTestServer::~TdsTestServer() {
    if (m_process.state() != QProcess::NotRunning) {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
}

QString TdsTestServer::ConnectionString(const QString &database) const {
    return QStringLiteral("Provider=SQLOLEDB.1;Persist Security Info=True;User ID=sa;"
                          "Password=x;Initial Catalog=%1;Data Source=127.0.0.1,%2")
        .arg(database)
        .arg(m_port);
}

QList<QJsonObject> TdsTestServer::Log(const QString &event) const {
    QList<QJsonObject> entries;
    QFile file(m_dir.filePath(QStringLiteral("log.jsonl")));
    if (!file.open(QIODevice::ReadOnly))
        return entries;
    // Each entry is one line, written and flushed whole; a last line still being written is
    // left for the next read.
    for (const QByteArray &line : file.readAll().split('\n')) {
        const QJsonObject entry = QJsonDocument::fromJson(line).object();
        if (!entry.isEmpty() &&
            (event.isEmpty() || entry.value(QStringLiteral("event")).toString() == event))
            entries.append(entry);
    }
    return entries;
}

QStringList TdsTestServer::Statements() const {
    QStringList statements;
    for (const QJsonObject &entry : Log()) {
        const QString event = entry.value(QStringLiteral("event")).toString();
        if (event == QLatin1String("batch"))
            statements.append(entry.value(QStringLiteral("text")).toString());
        else if (event == QLatin1String("rpc") && entry.contains(QStringLiteral("statement")))
            statements.append(entry.value(QStringLiteral("statement")).toString());
    }
    return statements;
}

QString TdsTestServer::Python() {
    return QStringLiteral(VI_PYTHON3);
}

QString TdsTestServer::ServerScript() {
    return QStringLiteral(VI_TDS_SERVER_SCRIPT);
}

QJsonObject TdsColumn(const QString &name, const QString &type, bool identity) {
    return {{QStringLiteral("name"), name},
            {QStringLiteral("type"), type},
            {QStringLiteral("identity"), identity}};
}

QJsonObject TdsResult(const QJsonArray &columns, const QJsonArray &rows) {
    return {{QStringLiteral("result"),
             QJsonObject{{QStringLiteral("columns"), columns}, {QStringLiteral("rows"), rows}}}};
}

QJsonObject TdsError(int number, const QString &message, int severity) {
    return {{QStringLiteral("error"), QJsonObject{{QStringLiteral("number"), number},
                                                  {QStringLiteral("message"), message},
                                                  {QStringLiteral("class"), severity}}}};
}

QJsonObject TdsRule(const QString &match, const QJsonArray &reply) {
    return {{QStringLiteral("match"), match}, {QStringLiteral("reply"), reply}};
}
