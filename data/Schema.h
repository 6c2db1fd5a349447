#pragma once

#include <QString>

class TfrmDM;

namespace Schema {

// Version recorded in PRAGMA user_version; raise it with each migration.
constexpr int Version = 2;

// Creates the tables and the first user in an empty database, brings an older file of
// this program up to date, or checks that the file is one this program can read. Throws AppError on a newer or foreign
// file.
void ensure(TfrmDM& dm);

// What a database file is to this program, found by a read-only look that never writes
// to it: the tables and columns of the version it records are compared with the ones
// that version had.
struct FileCheck {
    enum Verdict { Missing, Empty, Ours, Older, Newer, Foreign, Unreadable } verdict;
    int version = 0;
    QString reason;
};
FileCheck inspect(const QString& databasePath);

} // namespace Schema
