#pragma once

#include "DatabaseSetting.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QVariant>

// A connection of its own to the server a setting names, closed and removed when it goes:
// 测试连接 and the copy to a server leave the program's own connection as it is.
class ServerConnection {
public:
    // A typed password is used instead of the one ~/.pgpass holds; nothing keeps it.
    ServerConnection(const DatabaseSetting& setting, const QString& password);
    ~ServerConnection();
    ServerConnection(const ServerConnection&) = delete;
    ServerConnection& operator=(const ServerConnection&) = delete;

    // False when the server does not answer or refuses the login; driverText() says why.
    bool open();
    QString driverText() const { return m_driverText; }
    QSqlDatabase database() const;

    // Prepares, binds and runs a statement (one that binds nothing runs as it is: the
    // server prepares no CREATE). Throws ServerStatementFailed.
    QSqlQuery run(const QString& sql, const QVariantList& values = {});
    QVariant value(const QString& select);

private:
    QString m_name;
    QString m_driverText;
};

// A statement the server refused: the driver's words, for the log, never for the user.
struct ServerStatementFailed {
    QString driverText;
};

// What 测试连接 found: whether the server answers, whether it lets the user in, and what
// the database holds; `text` says it to the user in plain words, with what to do.
struct ServerCheck {
    enum Verdict { Unreachable, Refused, Missing, Empty, Ours, Older, Foreign, Newer };
    Verdict verdict = Unreachable;
    int version = 0; // of the program's data found there
    QString text;

    // The program can work on it: its tables are made, or brought up to date, at the next start.
    bool usable() const { return verdict == Empty || verdict == Ours || verdict == Older; }
};

ServerCheck CheckServer(const DatabaseSetting& setting, const QString& password);
// What a connected server database holds, given the version Schema::serverVersion read there.
ServerCheck ServerContents(const DatabaseSetting& setting, int version);
