// Moving a shop's file to a server, as 复制到服务器 does it: the time for the whole copy.
//   bench_server_copy <programDir> <host:port:user> [runs]
// The folder's database file (tools/gen-bench-db.sh makes one) is copied into a database
// the benchmark makes on that server for each run and drops afterwards; the role needs
// CREATEDB, and its password comes from ~/.pgpass or $PGPASSFILE.
#include "AppError.h"
#include "DM.h"
#include "ServerCheck.h"
#include "ServerCopy.h"
#include "Unit1.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTextStream>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    const QStringList args = app.arguments().mid(1);
    const QStringList server = args.value(1).split(u':');
    if (args.size() < 2 || server.size() != 3) {
        QTextStream(stderr) << "usage: bench_server_copy <programDir> <host:port:user> [runs]\n";
        return 2;
    }
    const QString dir = QFileInfo(args.at(0)).absoluteFilePath();
    Unit1::setProgramDir(dir);
    DM().setProgramDir(dir);
    const DatabaseSetting admin{true, server[0], server[1].toInt(), QStringLiteral("postgres"), server[2]};
    DatabaseSetting target = admin;
    target.database = QStringLiteral("orvane_copy_bench_%1").arg(QCoreApplication::applicationPid());
    try {
        for (int run = 0; run < qMax(1, args.value(2).toInt()); ++run) {
            ServerConnection postgres(admin, QString());
            if (!postgres.open())
                throw AppError(postgres.driverText());
            postgres.run(QStringLiteral("CREATE DATABASE %1").arg(target.database));
            QElapsedTimer timer;
            timer.start();
            const QList<ServerCopy::TableRows> rows = ServerCopy::Copy(DM().databasePath(), target, QString());
            out << QStringLiteral("copy %1: %2 s (%3)\n")
                       .arg(run + 1)
                       .arg(timer.elapsed() / 1000.0, 0, 'f', 2)
                       .arg(ServerCopy::Summary(rows));
            out.flush();
            postgres.run(QStringLiteral("DROP DATABASE %1").arg(target.database));
        }
    } catch (const AppError& error) {
        QTextStream(stderr) << error.message() << '\n';
        return 1;
    } catch (const ServerStatementFailed& failure) {
        QTextStream(stderr) << failure.driverText << '\n';
        return 1;
    }
    return 0;
}
