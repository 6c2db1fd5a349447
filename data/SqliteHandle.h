#pragma once

#include <sqlite3.h>

#include <memory>

// A connection through SQLite's own API, for what the program's one QtSql connection
// cannot do: a read-only look at a file before it is opened, a schema in memory.
struct SqliteCloser {
    void operator()(sqlite3* db) const { sqlite3_close(db); }
};
using SqliteHandle = std::unique_ptr<sqlite3, SqliteCloser>;
