#pragma once

#include "SqlText.h"

#include <QObject>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStringListModel>

class QSqlError;

// The data module: owns the program's one database connection and the two shared
// look-up lists. Every read and write of every window goes through it.
class TfrmDM : public QObject {
    Q_OBJECT
public:
    static TfrmDM& instance();

    // Points the module at <programDir>/Data/db.sqlite3. The file is opened, and
    // created with its tables on first use, by open() or the first statement that runs.
    void setProgramDir(const QString& programDir);
    // Throws AppError, in words a user can act on, when the file cannot be used: damaged,
    // not a database, another program's database, one made by a newer version, or a
    // folder where the file should be (or a file for its folder). Such a file is only
    // looked at, never written.
    void open();
    void close();
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

    // Throws the AppError a failed statement gets: a plain message for a lock held by
    // another program (naming the wait only when the statement waited it out, waitedMs)
    // or a damaged file, the driver's text and the statement otherwise.
    [[noreturn]] void fail(const QSqlError& error, const QString& sql, qint64 waitedMs = 0) const;

private:
    TfrmDM() = default;
    QStringList names(const SqlText& statement);

    QString m_path;
    bool m_opened = false;
    QStringListModel m_userNames;
    QStringListModel m_companyNames;
};

// The message for a data file the program cannot use: where it is, why, and what the
// user can do about it.
QString UnusableFileText(const QString& path, const QString& reason);

// The global reference through which every window reaches the data module.
inline TfrmDM& DM() { return TfrmDM::instance(); }
