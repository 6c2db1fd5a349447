// Time from pressing "打印" to the page handed over (PDF output), for a full 25-item
// layout of a real waybill, and the size of the page produced.
#include "CourierStore.h"
#include "DM.h"
#include "P3.h"
#include "Printing.h"
#include "Unit1.h"

#include <QApplication>
#include <QFileInfo>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

QString prepareWaybill()
{
    CourierStore::createCompany({QStringLiteral("顺丰速运"), QString(), QString(), QString(), QString(), QString()});
    DM().ExecSql(SqlText(QStringLiteral(
        "INSERT INTO UE (JName, JPhone, JMob, JDept, JANum, JA1, JA2, JA3, JAdd, JPNum, "
        "SName, SPhone, SMob, SDept, SANum, SA1, SA2, SA3, SAdd, SPNum, EName, ENum, EAN, ZDY1, ZDY2, ZDY3, "
        "Remark, theDel, myDate, UName) VALUES ('张三', '0755-26888888', '13800138000', '深圳市华强电子有限公司', "
        "'0755', '广东省', '深圳市', '南山区', '科技园南区高新南一道 8 号创维大厦 A 座 12 楼', '518057', '李四', "
        "'010-62345678', '13912345678', '北京中关村软件园管理中心', '010', '北京市', '北京市', '海淀区', "
        "'中关村软件园二期 10 号楼 3 层 301 室', '100193', '顺丰速运', 'SF1234567890', '电子元件 两箱', '易碎', "
        "'到付', '加急', '', '否', '2026-12-07', 'admin')")));
    QSqlQuery query = DM().run(SqlText(QStringLiteral("SELECT ID FROM UE ORDER BY ID DESC LIMIT 1")));
    query.next();
    return query.value(0).toString();
}

void BM_PrintWaybill(benchmark::State& state)
{
    QTemporaryDir folder;
    Unit1::setProgramDir(folder.path());
    DM().setProgramDir(folder.path());
    const QString waybill = prepareWaybill();
    const QString pdf = folder.filePath(QStringLiteral("page.pdf"));
    SetPrintOutputFile(pdf);
    qint64 bytes = 0;
    for (auto _ : state) {
        state.PauseTiming();
        TfrmP3 window(nullptr);
        window.CompanyName = QStringLiteral("顺丰速运");
        window.WaybillId = waybill;
        window.show();
        QCoreApplication::processEvents();
        state.ResumeTiming();
        window.Button1Click();
        state.PauseTiming();
        bytes = QFileInfo(pdf).size();
        state.ResumeTiming();
    }
    state.counters["pdf_bytes"] = static_cast<double>(bytes);
    SetPrintOutputFile(QString());
    DM().close();
}
BENCHMARK(BM_PrintWaybill)->Unit(benchmark::kMillisecond)->Iterations(30);

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
