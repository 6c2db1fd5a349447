#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>

class TfrmDM;

namespace Schema {

// Version recorded in PRAGMA user_version; raise it with each migration step.
constexpr int Version = 8;

struct FileCheck {
    enum Verdict { Missing, Empty, Ours, Older, Newer, Foreign, Unreadable } verdict;
    int version = 0; // the file's user_version
    QString reason;  // plain Chinese: why it is refused (empty when usable)

    // Missing and Empty files are created, Older ones brought up to date.
    bool usable() const { return verdict == Missing || verdict == Empty || verdict == Ours || verdict == Older; }
};

// A read-only look through a connection of its own; never writes or changes the file.
// Ours/Older: the file's tables AND columns are exactly those of its own version
// (Older = a version below ours that a start migrates); a file whose tables have the
// right names but not the columns is Foreign.
FileCheck inspect(const QString& databasePath);

// The statements of the step that makes `version` from the one before it (1: the first
// tables), as the step was released.
QStringList stepStatements(int version);

// Taken by whoever makes or brings up to date a server's tables, held to the end of its
// transaction: two PCs starting at once on a new server, or a copy to it, wait in turn.
QString serverLockStatement();

// The version of the data a server database holds: kept in a one-row table of its own;
// 0 for an empty database, -1 for one holding tables of another program. `valueOf` runs a
// SELECT on the database and returns the first value of its first row.
int serverVersion(const std::function<QVariant(const QString&)>& valueOf);

// What makes an empty server database this version's tables, run in a transaction that
// holds the lock: every step as released, as the server takes it, and the version. No
// user is made: this is for data that brings its own.
QStringList serverSchemaStatements();

// Creates the tables and the first user in an empty database, or brings an older file
// of this program up to date, all steps in one transaction. The file has passed
// inspect(). Throws AppError with a plain message when a step fails.
void ensure(TfrmDM& dm);

} // namespace Schema
