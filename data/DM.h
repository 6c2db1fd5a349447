#pragma once

#include "DatabaseSetting.h"
#include "SqlText.h"

#include <QObject>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStringListModel>

class QSqlError;

// How long a statement waits for another program's lock: the file's, or a row's on a server.
constexpr int BusyTimeoutMs = 5000;

// The data module: owns the program's one database connection and the two shared
// look-up lists. Every read and write of every window goes through it.
class TfrmDM : public QObject {
    Q_OBJECT
public:
    static TfrmDM& instance();

    // Points the module at the data the program folder's database setting names: by
    // default <programDir>/Data/db.sqlite3, or a PostgreSQL server. The database is opened,
    // and created with its tables on first use, by open() or the first statement that runs.
    void setProgramDir(const QString& programDir);
    // The setting in use: the file, or the server the program folder's setting names.
    const DatabaseSetting& setting() const { return m_setting; }
    bool isServer() const { return m_setting.server; }
    // The kind of network share ("NFS", "SMB/CIFS") the data file's folder lies on, where
    // the file is refused; empty on a local disk or a server.
    QString networkShare() const;
    // Who owns the print offsets: on a server each PC has its own printers, so the PC's
    // name; on the file (one PC) nothing. ORVANE_WORKSTATION, when set, names the PC in
    // place of its host name: two copies on one machine then act as two PCs.
    QString workstation() const;
    // Throws UserGone when the user logged in no longer exists: a user deleted on another PC
    // writes nothing more. Every write action checks it first (Transaction, run).
    void confirmUser();
    // Counts the times the module was pointed at data: what a run reads from the data once
    // and keeps (a server's form pictures) is read again when this changes.
    int generation() const { return m_generation; }
    // Throws AppError, in words a user can act on, when the file cannot be used: damaged,
    // not a database, another program's database, one made by a newer version, or a
    // folder where the file should be (or a file for its folder). Such a file is only
    // looked at, never written.
    void open();
    void close();
    bool isOpen() const { return m_opened; }
    QString databasePath() const { return m_path; }
    QSqlDatabase database();

    // The one sequence that runs a statement: prepare, bind, execute. A SELECT's rows
    // are then read from the returned query. Throws AppError on any failure: the
    // driver's text and the statement, except for a file another program holds past
    // the wait or a damaged file, which get a plain message.
    // A query that can scroll back keeps every row it has fetched; a whole listing that is
    // only read once through (an export, a batch) runs forward-only.
    enum class Rows { Scrollable, ForwardOnly };
    QSqlQuery run(const SqlText& statement, Rows rows = Rows::Scrollable);

    int QueryCount(const SqlText& statement);
    void ExecSql(const SqlText& statement);

    // The shared look-up lists: every drop-down bound to one of them shows the same
    // rows, and each refresh runs its statement again.
    QStringListModel* userLookup() { return &m_userNames; }
    QStringListModel* companyLookup() { return &m_companyNames; }
    void refreshUserLookup();
    void refreshCompanyLookup();

    // Throws the AppError a failed statement gets: a plain message for a lost server (the
    // connection is then opened afresh by the next statement), for a lock held by
    // another program (naming the wait only when the statement waited it out, waitedMs)
    // or a damaged file, the driver's text and the statement otherwise.
    [[noreturn]] void fail(const QSqlError& error, const QString& sql, qint64 waitedMs = 0);

private:
    TfrmDM() = default;
    void openFile();
    bool execute(QSqlQuery& query, const SqlText& statement);
    void openServer();
    bool connectionLost(const QSqlError& error) const;
    void dropConnection();
    QStringList names(const SqlText& statement);

    QString m_path;
    DatabaseSetting m_setting;
    bool m_opened = false;
    bool m_ensuring = false; // the tables are being made or brought up to date
    int m_generation = 0;
    QStringListModel m_userNames;
    QStringListModel m_companyNames;
};

// The message for a data file the program cannot use: where it is, why, and what the
// user can do about it.
QString UnusableFileText(const QString& path, const QString& reason);

// Why a connection to a server failed: no answer at all; the login refused (a wrong or
// missing password, or no such user); no such database; the user lacks the right to connect;
// too many connections; a server starting up or shutting down; encryption demanded that the
// server does not offer; a server certificate the shop's root certificate does not vouch
// for; that root certificate's file missing.
enum class ServerFailure { Unreachable, Refused, Missing, NoRight, Crowded, NotReady, NoTls, Untrusted, NoRootFile };
// Asks the server named by a setting once more, and tells why it refuses by the SQLSTATE of
// its answer (whatever the language of the server's or the client library's words), or that
// nothing answered. A typed password is used in place of ~/.pgpass's.
ServerFailure ServerFailureKind(const DatabaseSetting& setting, const QString& password = QString());

// Why the server named by a setting cannot be used, in words a user can act on.
QString ServerFailureText(const DatabaseSetting& setting, ServerFailure kind);

// This PC's name: ORVANE_WORKSTATION when it is set, otherwise the host name.
QString WorkstationName();

// A connection, not yet opened, to the server a setting names, with the options every
// connection of the program has. Throws AppError when this PC lacks the server's driver.
QSqlDatabase AddServerConnection(const DatabaseSetting& setting, const QString& connectionName);

// The global reference through which every window reaches the data module.
inline TfrmDM& DM() { return TfrmDM::instance(); }
