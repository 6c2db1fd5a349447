// How long "导入联系人" takes for a large CSV file and a full Excel sheet, and how much
// memory it takes on top of what the program held before: the growth should stay flat
// (well under 100 MB) whatever the size. The files are made here from the sample shop's
// contacts; each is imported into a fresh database by a fresh run of this program, so
// that what making the file left in memory does not hide the import's own growth.
//
// With ORVANE_TEST_SERVER set, each import goes into a database of its own on that server.
//
//   bench_import [--csv-mb N] [--sheet-rows N]   (default: 50 MB CSV in UTF-8 and GBK, 1,048,576 sheet rows)
#include "AppError.h"
#include "BenchServer.h"
#include "ContactImport.h"
#include "DM.h"
#include "GbkText.h"
#include "ProcessMemory.h"
#include "SampleData.h"
#include "Unit1.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>
#include <sys/resource.h>
#include <xlsxwriter.h>

namespace {

QStringList Cells(const SampleContact& c, int i)
{
    // A number in the name keeps every row apart, so none is passed over as a duplicate.
    return {c.name + QString::number(i),
            c.phone,
            c.mobile,
            c.dept,
            c.areaCode,
            c.province,
            c.city,
            c.district,
            c.address,
            c.postcode,
            c.remark};
}

// User and system time: what the import costs on an otherwise idle machine.
double CpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) { return double(t.tv_sec) + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

const QStringList Titles = {"寄件人", "电话号码", "手机号码", "单位名称", "区号", "省市区",
                            "地州市", "区县",     "地址",     "邮编",     "备注"};

// In UTF-8, or in GBK as Excel on a Chinese Windows saves CSV.
qint64 WriteCsv(const QString& path, qint64 bytes, bool gbk)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw AppError(file.errorString());
    const auto encoded = [gbk](const QString& line) { return gbk ? toGbk(line) : line.toUtf8(); };
    file.write(encoded(Titles.join(',') + "\r\n"));
    SampleRng rng(7);
    qint64 rows = 0;
    while (file.size() < bytes) {
        QStringList cells = Cells(SampleData::Contact(rng), int(rows));
        for (QString& cell : cells)
            if (cell.contains(',') || cell.contains('"'))
                cell = '"' + cell.replace("\"", "\"\"") + '"';
        file.write(encoded(cells.join(',') + "\r\n"));
        ++rows;
    }
    return rows;
}

// Shared strings as Excel writes them, unless `inlineStrings`. Area codes, mobiles and
// postcodes are numbers, as a sheet typed in by hand keeps them: the postcodes under a
// zero-padded format, the rest under none, so each is read through its number format.
void WriteSheet(const QString& path, qint64 rows, bool inlineStrings)
{
    lxw_workbook_options options{};
    options.constant_memory = inlineStrings;
    lxw_workbook* book = workbook_new_opt(path.toUtf8().constData(), &options);
    lxw_worksheet* sheet = workbook_add_worksheet(book, nullptr);
    lxw_format* sixDigits = workbook_add_format(book);
    format_set_num_format(sixDigits, "000000");
    const int areaCode = int(Titles.indexOf(QStringLiteral("区号"))),
              mobile = int(Titles.indexOf(QStringLiteral("手机号码"))),
              postcode = int(Titles.indexOf(QStringLiteral("邮编")));
    for (int c = 0; c < Titles.size(); ++c)
        worksheet_write_string(sheet, 0, lxw_col_t(c), Titles[c].toUtf8().constData(), nullptr);
    SampleRng rng(7);
    for (qint64 r = 1; r <= rows; ++r) {
        const QStringList cells = Cells(SampleData::Contact(rng), int(r));
        for (int c = 0; c < cells.size(); ++c) {
            bool digits = false;
            const double number = cells[c].toDouble(&digits);
            if (digits && (c == areaCode || c == mobile || c == postcode))
                worksheet_write_number(sheet, lxw_row_t(r), lxw_col_t(c), number, c == postcode ? sixDigits : nullptr);
            else if (!cells[c].isEmpty())
                worksheet_write_string(sheet, lxw_row_t(r), lxw_col_t(c), cells[c].toUtf8().constData(), nullptr);
        }
    }
    if (workbook_close(book) != LXW_NO_ERROR)
        throw AppError(QStringLiteral("cannot write %1").arg(path));
}

void ImportOnce(QTextStream& out, const QString& what, const QString& file, qint64 rows)
{
    QTemporaryDir dir;
    DatabaseSetting server;
    if (qEnvironmentVariableIsSet("ORVANE_TEST_SERVER")) {
        if (!BenchServerDatabase(server, true))
            throw AppError(QStringLiteral("%1: no database on the server").arg(what));
        server.save(dir.path());
    }
    Unit1::setProgramDir(dir.path());
    DM().setProgramDir(dir.path());
    DM().database();
    const bool peakReset = ResetPeak();
    const qint64 before = StatusKb("VmRSS");
    const double cpuBefore = CpuSeconds();
    QElapsedTimer timer;
    timer.start();
    int progressCalls = 0;
    const auto summary = ContactImport::Import(SenderKind, file, [&](qint64, qint64) {
        ++progressCalls;
        return true;
    });
    const double seconds = timer.nsecsElapsed() / 1e9;
    const double cpuSeconds = CpuSeconds() - cpuBefore;
    const qint64 growthKb = peakReset ? StatusKb("VmHWM") - before : -1;
    if (!summary || summary->imported != rows)
        throw AppError(
            QStringLiteral("%1: imported %2 of %3 rows").arg(what).arg(summary ? summary->imported : -1).arg(rows));
    if (file.endsWith(QLatin1String(".xlsx")) && summary->areaCodeZeros == 0)
        throw AppError(QStringLiteral("%1: the area codes kept as numbers lost their zeros").arg(what));
    out << QStringLiteral("%1 %2 %3 %4 %5 %6 %7\n")
               .arg(what, -24)
               .arg(QFileInfo(file).size() / 1e6, 8, 'f', 1)
               .arg(rows, 9)
               .arg(seconds, 9, 'f', 1)
               .arg(cpuSeconds, 9, 'f', 1)
               .arg(growthKb / 1024.0, 14, 'f', 1)
               .arg(seconds > 0 ? progressCalls / seconds : 0, 13, 'f', 0);
    out.flush();
    DM().close();
    if (server.server)
        BenchServerDatabase(server, false);
}

// Imports in a run of its own and passes its figures on.
void ImportInChild(QTextStream& out, const QString& what, const QString& file, qint64 rows)
{
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--import"), what, file, QString::number(rows)});
    if (!child.waitForFinished(-1) || child.exitCode() != 0)
        throw AppError(QStringLiteral("%1: the import failed").arg(what));
    out << child.readAllStandardOutput();
    out.flush();
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    const QStringList args = app.arguments().mid(1);
    try {
        if (args.size() == 4 && args[0] == QLatin1String("--import")) {
            try {
                ImportOnce(out, args[1], args[2], args[3].toLongLong());
            } catch (const AppError& error) {
                // A refusal is a figure too: a full sheet of inline strings passes the 512 MB limit.
                out << QStringLiteral("%1 refused: %2\n").arg(args[1], -24).arg(error.message());
            }
            return 0;
        }
        qint64 csvMb = 50, sheetRows = 1048575; // and the title row
        for (qsizetype i = 0; i + 1 < args.size(); i += 2) {
            if (args[i] == QLatin1String("--csv-mb"))
                csvMb = args[i + 1].toLongLong();
            else if (args[i] == QLatin1String("--sheet-rows"))
                sheetRows = args[i + 1].toLongLong() - 1;
        }
        QTemporaryDir files;
        out << "file                     size MB      rows   seconds  CPU sec.  peak growth MB   progress/s\n";
        out.flush();
        if (csvMb > 0) {
            const QString csv = files.filePath(QStringLiteral("contacts.csv"));
            ImportInChild(out, QStringLiteral("CSV (UTF-8)"), csv, WriteCsv(csv, csvMb << 20, false));
            ImportInChild(out, QStringLiteral("CSV (GBK)"), csv, WriteCsv(csv, csvMb << 20, true));
        }
        for (const bool inlineStrings : {false, true}) {
            if (sheetRows <= 0)
                break;
            const QString xlsx = files.filePath(QStringLiteral("contacts.xlsx"));
            WriteSheet(xlsx, sheetRows, inlineStrings);
            ImportInChild(
                out, inlineStrings ? QStringLiteral(".xlsx, inline strings") : QStringLiteral(".xlsx, shared strings"),
                xlsx, sheetRows);
        }
    } catch (const AppError& error) {
        QTextStream(stderr) << error.message() << '\n';
        return 1;
    }
    return 0;
}
