// Two PCs saving waybills at the same moment: two processes (this program started again
// with --child) each save N waybills through the entry window's save, with the same new
// senders and recipients in the same order, so each contact is new to both at once. Then
// the checks: 2N rows, every ID a save returned its own row's, every contact filed once.
//   bench_concurrent [--waybills N]
// On the embedded file in a temporary folder; with ORVANE_TEST_SERVER=host:port:user (its
// password in $PGPASSFILE, as the tests take it) on a database of its own on that server,
// dropped at the end.
#include "AppError.h"
#include "BenchServer.h"
#include "DM.h"
#include "SqlDialect.h"
#include "Unit1.h"
#include "WaybillStore.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QHash>
#include <QProcess>
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <cstdio>
#include <iostream>
#include <string>

namespace {

Record party(const QString& name, int n)
{
    return {name,   "010-1234",    "13800001111", QStringLiteral("单位%1").arg(n), "010", "北京", "北京",
            "朝阳", "建国路 1 号", "100000"};
}

// One PC: waits for the start, then saves and reports "number ID" for each waybill.
int child(int pc, int waybills, const QString& folder)
{
    Unit1::setProgramDir(folder);
    DM().setProgramDir(folder);
    Unit1::setCurrentUserName(QStringLiteral("pc%1").arg(pc));
    DM().open();
    std::printf("ready\n");
    std::fflush(stdout);
    std::string go;
    std::getline(std::cin, go);
    try {
        for (int i = 0; i < waybills; ++i) {
            const QString number = QStringLiteral("%1-%2").arg(pc).arg(i);
            Record waybill = {"2026-12-07", "顺丰速运", number, "文件"};
            waybill += party(QStringLiteral("收件人%1").arg(i), i);
            waybill += party(QStringLiteral("寄件人%1").arg(i), i);
            waybill += Record{"", "", "", "bench"};
            std::printf("%s %lld\n", qPrintable(number), WaybillStore::save(0, waybill));
        }
    } catch (const AppError& error) {
        std::fprintf(stderr, "PC %d: %s\n", pc, qPrintable(error.message()));
        return 1;
    }
    DM().close();
    return 0;
}

// Live contacts filed more than once under one name and organisation.
qint64 twins(const QString& table)
{
    return QueryValue(SqlText(QStringLiteral("SELECT COUNT(*) FROM (SELECT theName FROM %1 WHERE theDel = '否' "
                                             "GROUP BY theName, theDept HAVING COUNT(*) > 1) AS t")
                                  .arg(table)))
        .toLongLong();
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.value(1) == QLatin1String("--child"))
        return child(args.value(2).toInt(), args.value(3).toInt(), args.value(4));
    const int waybills = args.indexOf("--waybills") > 0 ? args.value(args.indexOf("--waybills") + 1).toInt() : 1000;

    QTemporaryDir folder;
    DatabaseSetting setting;
    const bool server = qEnvironmentVariableIsSet("ORVANE_TEST_SERVER");
    if (server) {
        if (!BenchServerDatabase(setting, true))
            return 1;
        setting.save(folder.path());
    }
    // The schema is made once, as the first PC makes it, with the users the PCs save as.
    Unit1::setProgramDir(folder.path());
    DM().setProgramDir(folder.path());
    DM().open();
    for (const char* user : {"pc1", "pc2"})
        DM().ExecSql(SqlText(QStringLiteral("INSERT INTO SUser (theName, thePass, Remark) VALUES (?, '', '')"),
                             {QString::fromLatin1(user)}));
    DM().close();

    QProcess pcs[2];
    for (int pc = 0; pc < 2; ++pc) {
        pcs[pc].setProcessChannelMode(QProcess::ForwardedErrorChannel);
        pcs[pc].start(app.applicationFilePath(),
                      {"--child", QString::number(pc + 1), QString::number(waybills), folder.path()});
        if (!pcs[pc].waitForReadyRead(30000) || pcs[pc].readLine().trimmed() != "ready") {
            std::fprintf(stderr, "PC %d did not start\n", pc + 1);
            return 1;
        }
    }
    QElapsedTimer timer;
    timer.start();
    for (QProcess& pc : pcs)
        pc.write("go\n");
    // Read as they come, so neither PC waits on a full pipe.
    QByteArray output[2];
    while (pcs[0].state() != QProcess::NotRunning || pcs[1].state() != QProcess::NotRunning) {
        for (int pc = 0; pc < 2; ++pc) {
            pcs[pc].waitForReadyRead(20);
            output[pc] += pcs[pc].readAllStandardOutput();
        }
    }
    const double seconds = timer.nsecsElapsed() / 1e9;
    QHash<QString, qint64> returned; // waybill number → the ID its save returned
    QSet<qint64> ids;
    for (int pc = 0; pc < 2; ++pc) {
        output[pc] += pcs[pc].readAllStandardOutput();
        if (pcs[pc].exitStatus() != QProcess::NormalExit || pcs[pc].exitCode() != 0)
            std::fprintf(stderr, "PC %d failed\n", pc + 1);
        for (const QByteArray& line : output[pc].split('\n')) {
            const QList<QByteArray> fields = line.split(' ');
            if (fields.size() != 2)
                continue;
            returned.insert(QString::fromUtf8(fields[0]), fields[1].toLongLong());
            ids.insert(fields[1].toLongLong());
        }
    }

    DM().setProgramDir(folder.path());
    qint64 rows = 0, ownRow = 0;
    QSqlQuery query = DM().run(SqlText(QStringLiteral("SELECT ENum, ID FROM UE")), TfrmDM::Rows::ForwardOnly);
    while (query.next()) {
        ++rows;
        ownRow += returned.value(query.value(0).toString(), -1) == query.value(1).toLongLong();
    }
    const qint64 senders = QueryValue(SqlText(QStringLiteral("SELECT COUNT(*) FROM USender"))).toLongLong();
    const qint64 recipients = QueryValue(SqlText(QStringLiteral("SELECT COUNT(*) FROM UAddressee"))).toLongLong();
    const qint64 twinned = twins(QStringLiteral("USender")) + twins(QStringLiteral("UAddressee"));
    DM().close();
    if (server)
        BenchServerDatabase(setting, false);

    std::printf("%s, 2 processes x %d waybills: %.2f s (%.0f saves/s)\n", server ? "server" : "file", waybills, seconds,
                2 * waybills / seconds);
    std::printf("rows %lld, IDs returned %lld, distinct %lld, matching their own row %lld\n", rows,
                qint64(returned.size()), qint64(ids.size()), ownRow);
    std::printf("senders %lld, recipients %lld (each %d expected), contacts filed twice %lld\n", senders, recipients,
                waybills, twinned);
    const bool sound = rows == 2 * waybills && returned.size() == 2 * waybills && ids.size() == 2 * waybills &&
                       ownRow == 2 * waybills && senders == waybills && recipients == waybills && twinned == 0;
    std::printf("%s\n", sound ? "ok" : "FAILED");
    return sound ? 0 : 1;
}
