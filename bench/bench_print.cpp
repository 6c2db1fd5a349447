// Time from pressing "打印" to the page handed over (PDF output), for a full 25-item
// layout of a real waybill (with and without widths that wrap and shrink its long
// texts), and the size of the page produced; and the time and memory taken to open the
// print window over a very large scan, at its natural size or scaled to the form's width.
// Peak memory only grows, so run each scan benchmark alone (--benchmark_filter) for its
// own peak; the memory held while the window is open is measured either way.
#include "CompanyPicture.h"
#include "CourierStore.h"
#include "DM.h"
#include "P3.h"
#include "PrintSetup.h"
#include "Printing.h"
#include "Unit1.h"
#include "WaybillPrint.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

#include <jpeglib.h>

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
    if (state.range(0) == 1) {
        // Addresses and company names in 300-pixel boxes: two lines, smaller type.
        QHash<QString, int> widths;
        for (const char* code : {"JP04", "JP09", "SP04", "SP09"})
            widths.insert(QString::fromLatin1(code), 300);
        PrintSetup::saveLayout(QStringLiteral("顺丰速运"), {}, widths, {});
    }
    const QString pdf = folder.filePath(QStringLiteral("page.pdf"));
    SetPrintOutputFile(pdf);
    qint64 bytes = 0;
    for (auto _ : state) {
        state.PauseTiming();
        TfrmP3 window(nullptr);
        PrepareWaybillPrint(window, QStringLiteral("顺丰速运"), waybill);
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
BENCHMARK(BM_PrintWaybill)->Arg(0)->Arg(1)->ArgName("widths")->Unit(benchmark::kMillisecond)->Iterations(30);

// Written row by row, so that making it does not itself raise the process's peak memory.
bool writeBlankScan(const QString& path, int width, int height)
{
    std::FILE* file = std::fopen(QFile::encodeName(path).constData(), "wb");
    if (!file)
        return false;
    jpeg_compress_struct c;
    jpeg_error_mgr err;
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    jpeg_stdio_dest(&c, file);
    c.image_width = JDIMENSION(width);
    c.image_height = JDIMENSION(height);
    c.input_components = 1;
    c.in_color_space = JCS_GRAYSCALE;
    jpeg_set_defaults(&c);
    jpeg_start_compress(&c, TRUE);
    std::vector<JSAMPLE> row(size_t(width), 255);
    JSAMPROW rows[1] = {row.data()};
    while (c.next_scanline < c.image_height)
        jpeg_write_scanlines(&c, rows, 1);
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    return std::fclose(file) == 0;
}

// Memory in use now, from /proc (Linux).
double residentMegabytes()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toDouble() * double(sysconf(_SC_PAGESIZE)) / (1024 * 1024) : 0;
}

double peakMegabytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024.0;
}

// A 12000 x 7500 scan (a 600-dpi form, 508 mm wide): the window must stay within the
// screen and hold one decoded copy of the picture, 4 bytes a pixel (343 MB), not two;
// given the form's width, it keeps only the copy scaled to 96 pixels an inch (1920 x 1200,
// 9 MB), the full one living only while it is scaled.
void BM_OpenLargeScan(benchmark::State& state)
{
    QTemporaryDir folder;
    Unit1::setProgramDir(folder.path());
    DM().setProgramDir(folder.path());
    const QString company = QStringLiteral("顺丰速运");
    CourierStore::createCompany({company, QString(), QString(), QString(), QString(), QString()});
    PrintSetup::saveLayout(company, {}, {}, {double(state.range(0)), 0, {}});
    QDir().mkpath(folder.filePath(QStringLiteral("Image")));
    if (!writeBlankScan(CompanyPicturePath(company), 12000, 7500)) {
        state.SkipWithError("could not write the scan");
        return;
    }
    const double before = peakMegabytes();
    const double residentBefore = residentMegabytes();
    double heldWhileOpen = 0;
    QSize window;
    QSize picture;
    for (auto _ : state) {
        TfrmP3 w(nullptr);
        w.CompanyName = company;
        w.WaybillId = QStringLiteral("0");
        w.show();
        QCoreApplication::processEvents();
        window = w.size();
        picture = w.findChild<QWidget*>(QStringLiteral("Image1"))->size();
        heldWhileOpen = residentMegabytes() - residentBefore;
    }
    state.counters["peak_growth_mb"] = peakMegabytes() - before;
    state.counters["held_open_mb"] = heldWhileOpen;
    state.counters["picture_mb"] = 12000.0 * 7500 * 4 / (1024 * 1024);
    state.counters["window_w"] = window.width();
    state.counters["window_h"] = window.height();
    state.counters["shown_w"] = picture.width();
    state.counters["shown_h"] = picture.height();
    DM().close();
}
// The argument: the form's width in millimetres, 0 for none.
BENCHMARK(BM_OpenLargeScan)->Arg(0)->Arg(508)->ArgName("form_mm")->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace
