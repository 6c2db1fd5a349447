#pragma once

#include "DM.h"

#include <QCoreApplication>
#include <QSqlError>
#include <QSqlQuery>
#include <cstdio>

// With ORVANE_TEST_SERVER=host:port:user (its password in $PGPASSFILE), a benchmark runs on
// a database of its own there: made (create) or dropped; false when the server refuses.
inline bool BenchServerDatabase(DatabaseSetting& setting, bool create)
{
    setting = DatabaseSetting::serverAt(qEnvironmentVariable("ORVANE_TEST_SERVER"),
                                        QStringLiteral("orvane_bench_%1").arg(QCoreApplication::applicationPid()));
    bool done = false;
    {
        QSqlDatabase admin = AddServerConnection(
            DatabaseSetting::serverAt(qEnvironmentVariable("ORVANE_TEST_SERVER"), QStringLiteral("postgres")),
            QStringLiteral("admin"));
        QSqlQuery query(admin);
        done = admin.open() && query.exec((create ? QStringLiteral("CREATE DATABASE %1")
                                                  : QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)"))
                                              .arg(setting.database));
        if (!done)
            std::fprintf(stderr, "server: %s\n",
                         qPrintable(admin.isOpen() ? query.lastError().text() : admin.lastError().text()));
    }
    QSqlDatabase::removeDatabase(QStringLiteral("admin"));
    return done;
}
