// Saving a waybill into a shop's full database: the waybill insert and the filing of its
// sender and recipient, in one transaction, as the entry window's "保存" does it.
//   bench_save <programDir> [--saves N]
// Half the waybills use contacts already in the address books, half new ones, so both
// paths of the filing are timed. The folder's database grows by N waybills.
#include "ContactStore.h"
#include "DM.h"
#include "SqlDialect.h"
#include "Unit1.h"
#include "WaybillStore.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSqlQuery>

#include <algorithm>
#include <cstdio>

namespace {

// The ten block fields of a live contact, or a new one made up from n.
Record party(const ContactKind& kind, qint64 n, bool existing)
{
    if (existing) {
        QSqlQuery q = DM().run(SqlText(ContactStore::selectList(kind) + ContactStore::from(kind) +
                                           QStringLiteral("AND (ID >= ?) ORDER BY ID LIMIT 1"),
                                       {n}));
        if (q.next()) {
            Record r;
            for (int i = 0; i < ContactStore::BlockFieldCount; ++i)
                r << q.value(i).toString();
            return r;
        }
    }
    return {QStringLiteral("测试%1").arg(n), "010-1234", "13800001111", QStringLiteral("新单位%1").arg(n), "010",
            "北京",                          "北京",     "朝阳",        "建国路 1 号",                       "100000"};
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: bench_save <programDir> [--saves N]\n");
        return 2;
    }
    const int saves = args.indexOf("--saves") > 0 ? args.value(args.indexOf("--saves") + 1).toInt() : 200;
    Unit1::setProgramDir(args[1]);
    DM().setProgramDir(args[1]);
    Unit1::setCurrentUserName(QStringLiteral("admin"));
    const qint64 contacts = QueryValue(SqlText("SELECT MAX(ID) FROM USender")).toLongLong();
    std::printf("waybills before: %lld\n", QueryValue(SqlText("SELECT COUNT(*) FROM UE")).toLongLong());

    QList<double> ms;
    for (int i = 0; i < saves; ++i) {
        const bool existing = i % 2 == 0;
        const qint64 n = existing ? 1 + (i * 7919LL) % std::max<qint64>(contacts, 1) : 1000000 + i;
        Record waybill = {"2026-12-07", "顺丰速运", QStringLiteral("SF%1").arg(n), "文件"};
        waybill += party(AddresseeKind, n, existing);
        waybill += party(SenderKind, n, existing);
        waybill += Record{"", "", "", "bench"};
        QElapsedTimer timer;
        timer.start();
        WaybillStore::save(0, waybill);
        ms << timer.nsecsElapsed() / 1e6;
    }
    std::sort(ms.begin(), ms.end());
    std::printf("saves: %d  median %.2f ms  p95 %.2f ms  max %.2f ms\n", saves, ms[ms.size() / 2],
                ms[ms.size() * 95 / 100], ms.last());
    DM().close();
    return 0;
}
