// Batch printing from the waybill query: a job of N pages into a PDF, each page its
// waybill's own company layout, as "批量打印" prints them; one company's form is
// 230 x 127 mm, the others print on the default paper, so the pages change size as
// they go. Reports the time per page and
// the peak memory at each size, which must not grow with the number of pages.
//   bench_batch [pages ...]   (default 50 200)
#include "CourierStore.h"
#include "DM.h"
#include "E_Q.h"
#include "Messages.h"
#include "PrintSetup.h"
#include "Printing.h"
#include "ProcessMemory.h"
#include "Transaction.h"
#include "Unit1.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdio>
#include <memory>

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QList<int> sizes;
    for (int i = 1; i < argc; ++i)
        sizes << QString::fromLatin1(argv[i]).toInt();
    if (sizes.isEmpty())
        sizes = {50, 200};
    setMessageHandler([](const MessageRequest&) { return true; }); // "确定" to the question
    Unit1::setCurrentUserName(QStringLiteral("admin"));

    for (int pages : sizes) {
        QTemporaryDir folder;
        Unit1::setProgramDir(folder.path());
        DM().setProgramDir(folder.path());
        const QStringList companies = {QStringLiteral("顺丰速运"), QStringLiteral("圆通速递"),
                                       QStringLiteral("中通快递")};
        for (const QString& company : companies)
            CourierStore::createCompany({company, "", "", "", "", ""});
        PrintSetup::saveLayout(companies[0], {}, {}, {230, 127, QString()});
        {
            Transaction transaction;
            for (int i = 0; i < pages; ++i)
                DM().ExecSql(SqlText(
                    "INSERT INTO UE (JName, JPhone, JDept, JAdd, SName, SPhone, SMob, SDept, SAdd, SPNum, EName, ENum, "
                    "EAN, myDate, UName) VALUES ('张三', '0755-26888888', '深圳市华强电子有限公司', "
                    "'科技园南区高新南一道 8 号创维大厦 A 座 12 楼', ?, '010-62345678', '13912345678', "
                    "'北京中关村软件园管理中心', '中关村软件园二期 10 号楼 3 层 301 室', '100193', ?, ?, '文件', "
                    "'2026-12-07', 'admin')",
                    {QStringLiteral("收件人%1").arg(i), companies[i % companies.size()], QString::number(100000 + i)}));
            transaction.commit();
        }
        const QString pdf = folder.filePath("batch.pdf");
        SetPrintOutputFile(pdf);
        auto query = std::make_unique<TfrmE_Q>();
        query->BitBtn1Click();
        ResetPeak();
        const qint64 before = StatusKb("VmRSS");
        QElapsedTimer timer;
        timer.start();
        query->batchPrint();
        const double ms = timer.nsecsElapsed() / 1e6;
        std::printf("%4d pages: %8.1f ms, %5.2f ms per page, peak growth %5.1f MB, PDF %6.1f KB\n", pages, ms,
                    ms / pages, (StatusKb("VmHWM") - before) / 1024.0, QFileInfo(pdf).size() / 1024.0);
        SetPrintOutputFile(QString());
        query.reset(); // its listing goes before the connection
        DM().close();
    }
    return 0;
}
