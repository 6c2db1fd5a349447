// How long the waybill query's "导出Excel" takes for a whole listing, and how much memory
// it takes on top of what the program held before: the peak should stay flat as the rows
// grow. Each size gets its own database, made by orvane-gen-db beside this program.
//
//   bench_export [--rows N]... [--runs N]      (default: 10000 and 100000 rows, 3 runs)
#include "AppError.h"
#include "DM.h"
#include "ProcessMemory.h"
#include "Unit1.h"
#include "WaybillStore.h"
#include "XlsxExport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>
#include <algorithm>
#include <sys/resource.h>

namespace {

void MakeDatabase(const QString& dir, int rows)
{
    // About 2% of generated waybills are deleted; the listing takes exactly `rows` live ones.
    const QString generator = QCoreApplication::applicationDirPath() + QStringLiteral("/orvane-gen-db");
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(generator, {dir, QStringLiteral("--waybills"), QString::number(rows + rows / 20 + 100),
                              QStringLiteral("--contacts"), QStringLiteral("1000")});
    if (!process.waitForFinished(-1) || process.exitCode() != 0)
        throw AppError(QStringLiteral("%1 failed").arg(generator));
}

double CpuMs()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto ms = [](const timeval& t) { return t.tv_sec * 1e3 + t.tv_usec / 1e3; };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

struct Run {
    double ms = 0;
    double cpuMs = 0; // user and system: what the run costs on an otherwise idle machine
    qint64 peakKb = 0;
    qint64 written = 0;
    qint64 fileKb = 0;
};

Run ExportOnce(const SqlText& listing, const QString& path)
{
    QFile::remove(path);
    Run run;
    const bool peakReset = ResetPeak();
    const qint64 before = StatusKb("VmRSS");
    const double cpuBefore = CpuMs();
    QElapsedTimer timer;
    timer.start();
    run.written = ExportListing(listing, {QStringLiteral("ID")}, {QStringLiteral("快递日期")}, path).rows;
    run.ms = timer.nsecsElapsed() / 1e6;
    run.cpuMs = CpuMs() - cpuBefore;
    run.peakKb = peakReset ? StatusKb("VmHWM") - before : -1;
    run.fileKb = QFileInfo(path).size() / 1024;
    return run;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QList<int> sizes;
    int runs = 3;
    const QStringList args = app.arguments().mid(1);
    for (qsizetype i = 0; i + 1 < args.size(); i += 2) {
        if (args[i] == QLatin1String("--rows"))
            sizes << args[i + 1].toInt();
        else if (args[i] == QLatin1String("--runs"))
            runs = std::max(1, args[i + 1].toInt());
    }
    if (sizes.isEmpty())
        sizes = {10000, 100000};

    try {
        out << "rows     median ms   median CPU ms   max peak growth KB   file KB   (waybill listing, 29 columns)\n";
        for (int rows : sizes) {
            QTemporaryDir dir;
            MakeDatabase(dir.path(), rows);
            Unit1::setProgramDir(dir.path());
            DM().setProgramDir(dir.path());
            DM().database();
            const SqlText listing(WaybillStore::selectList() + WaybillStore::from() +
                                  QStringLiteral("ORDER BY ID DESC LIMIT %1").arg(rows));
            QList<double> times, cpuTimes;
            Run worst;
            for (int r = 0; r < runs; ++r) {
                const Run run = ExportOnce(listing, dir.filePath(QStringLiteral("out.xlsx")));
                if (run.written != rows)
                    throw AppError(QStringLiteral("wrote %1 rows, not %2").arg(run.written).arg(rows));
                times << run.ms;
                cpuTimes << run.cpuMs;
                worst.peakKb = std::max(worst.peakKb, run.peakKb);
                worst.fileKb = run.fileKb;
            }
            std::sort(times.begin(), times.end());
            std::sort(cpuTimes.begin(), cpuTimes.end());
            out << QStringLiteral("%1 %2 %3 %4 %5\n")
                       .arg(rows, -8)
                       .arg(times[times.size() / 2], 11, 'f', 0)
                       .arg(cpuTimes[cpuTimes.size() / 2], 15, 'f', 0)
                       .arg(worst.peakKb, 20)
                       .arg(worst.fileKb, 9);
            out.flush();
            DM().close();
        }
    } catch (const AppError& error) {
        QTextStream(stderr) << error.message() << '\n';
        return 1;
    }
    return 0;
}
