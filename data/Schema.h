#pragma once

#include <QString>
#include <QStringList>

class TfrmDM;

namespace Schema {

// Version recorded in PRAGMA user_version; raise it with each migration step.
constexpr int Version = 5;

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

// Creates the tables and the first user in an empty database, or brings an older file
// of this program up to date, all steps in one transaction. The file has passed
// inspect(). Throws AppError with a plain message when a step fails.
void ensure(TfrmDM& dm);

} // namespace Schema
