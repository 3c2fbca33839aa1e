#pragma once
// A scripted TDS server (tds_server.py) run as a child process for one test: it listens on a
// free loopback port, answers as its script says and records everything it receives.

#include <QJsonArray>
#include <QJsonObject>
#include <QList>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

class TdsTestServer {
public:
    // Starts the server with the script (see tds_server.py for its keys) and waits until it
    // listens. Started() tells whether that worked; Error() says why not.
    explicit TdsTestServer(const QJsonObject &script = QJsonObject());
    ~TdsTestServer();
    TdsTestServer(const TdsTestServer &) = delete;
    TdsTestServer &operator=(const TdsTestServer &) = delete;

    bool Started() const { return m_port != 0; }
    QString Error() const { return m_error; }
    quint16 Port() const { return m_port; }

    // An OLE DB connection string, as the settings hold one, that reaches this server.
    QString ConnectionString(const QString &database = QStringLiteral("Vantrel")) const;

    // Everything recorded so far, in order; with an event name only those entries
    // ("connect", "prelogin", "login", "batch", "rpc", "attention", "dropped", "disconnect",
    // "unanswered", "fault").
    QList<QJsonObject> Log(const QString &event = QString()) const;
    // The statement texts received, batches and RPCs alike, in order.
    QStringList Statements() const;

    // The interpreter and the server script, as the build found them.
    static QString Python();
    static QString ServerScript();

private:
    QTemporaryDir m_dir;
    QProcess m_process;
    quint16 m_port = 0;
    QString m_error;
};

// Script helpers: a column, a result set, an error, a rule.
QJsonObject TdsColumn(const QString &name, const QString &type, bool identity = false);
QJsonObject TdsResult(const QJsonArray &columns, const QJsonArray &rows);
QJsonObject TdsError(int number, const QString &message, int severity = 16);
QJsonObject TdsRule(const QString &match, const QJsonArray &reply);
