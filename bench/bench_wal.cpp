// How large the database's write-ahead log grows while query windows stay open: the
// waybill, sender, recipient and company queries each list part of their rows, then
// waybills are saved as the entry window saves them (the waybill and the filing of its
// two contacts); the log's size is printed along the way, and after a checkpoint.
//
//   bench_wal [--waybills N] [--saves N]      (defaults: 2,000 listed, 3,000 saved)
#include "Addressee_Q.h"
#include "AppError.h"
#include "Com_Q.h"
#include "DM.h"
#include "E_Q.h"
#include "Sender_Q.h"
#include "Unit1.h"
#include "WaybillStore.h"

#include <QApplication>
#include <QFileInfo>
#include <QPushButton>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <cstdio>

namespace {

// A contact's ten block fields; a few hundred names recur, so filing finds most of them.
Record party(const QString& who, int n)
{
    return {who + QString::number(n),
            "010-1234",
            "13800001111",
            who + QStringLiteral("单位%1").arg(n),
            "010",
            "北京",
            "北京",
            "朝阳",
            "建国路 1 号",
            "100000"};
}

Record waybill(int n)
{
    return Record{"2026-12-07", QStringLiteral("顺丰速运"), QStringLiteral("SF%1").arg(n), QStringLiteral("文件")} +
           party(QStringLiteral("收件"), n % 500) + party(QStringLiteral("寄件"), n % 300) +
           Record{"", "", "", QStringLiteral("bench")};
}

double walMb() { return QFileInfo(DM().databasePath() + QStringLiteral("-wal")).size() / 1048576.0; }

int option(const QStringList& args, const char* name, int fallback)
{
    const qsizetype at = args.indexOf(QLatin1String(name));
    return at > 0 && at + 1 < args.size() ? args.at(at + 1).toInt() : fallback;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    const int listed = option(app.arguments(), "--waybills", 2000);
    const int saves = option(app.arguments(), "--saves", 3000);
    QTemporaryDir folder;
    Unit1::setProgramDir(folder.path());
    DM().setProgramDir(folder.path());
    Unit1::setCurrentUserName(QStringLiteral("admin"));
    DM().ExecSql(SqlText(QStringLiteral("INSERT INTO SCom (theName) VALUES ('顺丰速运')")));
    for (int i = 0; i < listed; ++i)
        WaybillStore::save(0, waybill(i));

    // Each window queried as the user would, its first rows read and the rest not yet.
    TfrmE_Q waybills;
    TfrmSender_Q senders;
    TfrmAddressee_Q addressees;
    TfrmCom_Q companies;
    for (QWidget* window : {static_cast<QWidget*>(&waybills), static_cast<QWidget*>(&senders),
                            static_cast<QWidget*>(&addressees), static_cast<QWidget*>(&companies)}) {
        window->resize(1000, 600);
        window->show();
        window->findChild<QPushButton*>(QStringLiteral("BitBtn1"))->click();
    }
    QCoreApplication::processEvents();

    std::printf("%d waybills listed in the open windows; log %.1f MB\n", listed, walMb());
    double largest = 0;
    for (int i = 1; i <= saves; ++i) {
        WaybillStore::save(0, waybill(listed + i));
        largest = std::max(largest, walMb());
        if (i % 500 == 0) {
            QCoreApplication::processEvents();
            std::printf("after %5d saves: log %6.1f MB\n", i, walMb());
        }
    }
    // The log can shrink only when no reader holds a snapshot in it.
    bool truncated = false;
    try {
        QSqlQuery checkpoint = DM().run(SqlText(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)")));
        truncated = checkpoint.next() && checkpoint.value(0).toInt() == 0;
    } catch (const AppError&) {
        // Still busy after the connection's wait.
    }
    std::printf("largest log %.1f MB over %d saves; checkpoint(TRUNCATE) %s, log then %.1f MB\n", largest, saves,
                truncated ? "done" : "busy", walMb());
    DM().close();
    return 0;
}
