#pragma once

class TfrmDM;

namespace Schema {

// Version recorded in PRAGMA user_version; raise it with each migration.
constexpr int Version = 3;

// Creates the tables and the first user in an empty database, brings an older file of
// this program up to date, or checks that the file is one this program can read. Throws AppError on a newer or foreign file.
void ensure(TfrmDM& dm);

} // namespace Schema
