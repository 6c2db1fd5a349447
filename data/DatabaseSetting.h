#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <utility>

// Where the shop's data lives: the embedded database file beside the program (the default:
// a one-PC shop sets up nothing), or a PostgreSQL server that several PCs share. The
// setting is kept in database.ini beside the Data folder; the server's password never is:
// it goes to the user's ~/.pgpass, where the PostgreSQL client library looks for it.
struct DatabaseSetting {
    // A host name is at most 255 characters; the server cuts its names at 63 bytes.
    static constexpr int MaxHostLength = 255;
    static constexpr int MaxNameLength = 63;
    // Far past any real path, short of a screen-wide text.
    static constexpr int MaxPathLength = 1024;

    // How the connection is encrypted: when the server offers it (an old server without TLS
    // still works); always, or no connection; always, and only to the server whose certificate
    // the shop's root certificate signed for the address typed (no one in between can pose as
    // it). Kept in database.ini as libpq's own words.
    enum class Tls { Preferred, Required, Verified };

    bool server = false;
    QString host;
    int port = 5432;
    QString database;
    QString user;
    Tls tls = Tls::Preferred;
    QString rootCertificate; // the file checked against when Verified
    // Why the file cannot be used as it stands, naming it; empty when it can. Its values
    // are then cut to their bounds, for 数据库设置 to show and correct.
    QString fault;

    bool operator==(const DatabaseSetting& other) const;

    // A server written "host:port:user" (as the tests and benchmarks are told theirs), with
    // this database.
    static DatabaseSetting serverAt(const QString& address, const QString& database);

    static QString filePath(const QString& programDir);
    // Reads no more than a setting can hold: a file or a value past its bound is a fault,
    // never a stall or a screen-wide text.
    static DatabaseSetting load(const QString& programDir);
    // Throws AppError when the file cannot be written.
    void save(const QString& programDir) const;

    // libpq's connection keywords for the encryption, for every connection the program makes.
    QList<std::pair<QByteArray, QByteArray>> tlsOptions() const;

    // "服务器 192.168.1.10:5432 上的数据库 shop", or the file's own words.
    QString describe() const;
};

namespace PgPass {

// $PGPASSFILE when it is set (as libpq reads it), otherwise ~/.pgpass.
QString filePath();
// Puts the password for this server, database and user into that file, replacing an
// earlier line for the same four, as its first line (ahead of any "*" line that would match
// too), readable by the user alone (libpq ignores it otherwise). Every other line stays
// byte for byte, whatever its encoding. Throws AppError, leaving the file as it was, when
// the file cannot be read, holds what is no password file's line, or cannot be written.
void store(const DatabaseSetting& setting, const QString& password);

} // namespace PgPass
