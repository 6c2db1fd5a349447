// How long a listing takes to show its first screen of rows with its record count, and
// how much memory the program holds meanwhile, next to the sqlite3 shell running the same
// statements on the same file. Needs a folder made by orvane-gen-db.
//
//   bench_listing <programDir> [--runs N] [--case NAME]...
#include "AppError.h"
#include "DM.h"
#include "DataGrid.h"
#include "ProcessMemory.h"
#include "SqlDialect.h"
#include "Unit1.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextStream>
#include <QVBoxLayout>
#include <algorithm>
#include <cstdio>
#include <optional>
#include <sys/resource.h>

namespace {

// One listing as a query window runs it: the grid's rows in their order, the count under
// it, and the values both bind in order.
struct ListingCase {
    QString name;
    QString rows;
    QString count;
    QVariantList values;
    ListingOrder order;
};

const QString WaybillSelect = QStringLiteral(
    "SELECT myDate AS 快递日期, EName AS 快递公司, ENum AS 快递单号, EAN AS 快递物品, SName AS 收件人, "
    "SPhone AS 收件人电话号码, SMob AS 收件人手机号码, SDept AS 收件人单位名称, SANum AS 收件人区号, "
    "SA1 AS 收件人省市区, SA2 AS 收件人地州市, SA3 AS 收件人区县, SAdd AS 收件人地址, SPNum AS 收件人邮编, "
    "JName AS 寄件人, JPhone AS 寄件人电话号码, JMob AS 寄件人手机号码, JDept AS 寄件人单位名称, "
    "JANum AS 寄件人区号, JA1 AS 寄件人省市区, JA2 AS 寄件人地州市, JA3 AS 寄件人区县, JAdd AS 寄件人地址, "
    "JPNum AS 寄件人邮编, ZDY1 AS 自定义一, ZDY2 AS 自定义二, ZDY3 AS 自定义三, Remark AS 备注,UName AS 录入人, "
    "ID FROM UE ");
const QString WaybillWhere = QStringLiteral("WHERE (theDel = '否') ");

const QString SenderSelect = QStringLiteral(
    "SELECT theName AS 寄件人, thePhone AS 电话号码, theMob AS 手机号码, theDept AS 单位名称, theANum AS 区号, "
    "theA1 AS 省市区, theA2 AS 地州市, theA3 AS 区县, theAdd AS 地址, thePNum AS 邮编, Remark AS 备注,ID "
    "FROM USender ");

// A condition on a text and the values its marks take: the text in every one.
struct Condition {
    QString clause;
    QVariantList values;
};

Condition Matching(const QStringList& columns, const QString& text)
{
    QStringList parts;
    for (const QString& column : columns)
        parts << Contains(column);
    Condition condition{QStringLiteral("AND (%1) ").arg(parts.join(QStringLiteral(" OR "))), {}};
    for (qsizetype marks = condition.clause.count(QLatin1Char('?')); marks > 0; --marks)
        condition.values << text;
    return condition;
}

ListingCase Waybills(const char* name, const Condition& condition, const ListingOrder& order = {})
{
    return {QString::fromUtf8(name), WaybillSelect + WaybillWhere + condition.clause,
            QStringLiteral("SELECT COUNT(*) FROM UE ") + WaybillWhere + condition.clause, condition.values, order};
}

// The sender look-up: name or its code, phone, mobile, organisation or its code.
ListingCase Senders(const char* name, const QString& nameText, const QString& mobile)
{
    Condition where{QStringLiteral("WHERE (theDel = '否') "), {}};
    const QList<Condition> conditions = {Matching({QStringLiteral("theName"), QStringLiteral("NPY")}, nameText),
                                         Matching({QStringLiteral("thePhone")}, QString()),
                                         Matching({QStringLiteral("theMob")}, mobile),
                                         Matching({QStringLiteral("theDept"), QStringLiteral("DPY")}, QString())};
    for (const Condition& c : conditions) {
        where.clause += c.clause;
        where.values += c.values;
    }
    return {QString::fromUtf8(name),
            SenderSelect + where.clause,
            QStringLiteral("SELECT COUNT(*) FROM USender ") + where.clause,
            where.values,
            {}};
}

// Add a case here to measure it; the first is the plain listing every waybill query opens with.
QList<ListingCase> Cases()
{
    const QString zs = QStringLiteral("zs");
    return {
        Waybills("all", {}),
        Waybills("recipient zs", Matching({QStringLiteral("SName"), QStringLiteral("SNPY")}, zs)),
        Waybills("June 2024", {QStringLiteral(" AND (myDate Between ? AND ?) "),
                               {QStringLiteral("2024-06-01"), QStringLiteral("2024-06-30")}}),
        Waybills("company", {QStringLiteral("AND (EName = ?) "), {QStringLiteral("顺丰速运")}}),
        // A column title clicked: by an indexed column, and by one without an index.
        Waybills("all by date", {}, {QStringLiteral("快递日期"), false}),
        Waybills("all by recipient", {}, {QStringLiteral("收件人"), false}),
        Senders("senders zs", zs, QString()),
        Senders("senders mob 6688", QString(), QStringLiteral("6688")),
    };
}

// The grid as every window has it, counting its paints so a run can wait for the first screen.
class ProbedGrid : public DataGrid {
public:
    using DataGrid::DataGrid;
    int paints = 0;

protected:
    void paintEvent(QPaintEvent* event) override
    {
        DataGrid::paintEvent(event);
        ++paints;
    }
};

template <typename Done> void ProcessEventsUntil(Done done)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > 300000)
            throw AppError(QStringLiteral("the grid was never painted"));
        QCoreApplication::processEvents();
    }
}

double Median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    const qsizetype n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

struct OurRun {
    double ms = 0;
    // Where the time went: running the listing and fetching its first rows, counting, painting.
    double listMs = 0, countMs = 0, paintMs = 0;
    // Ctrl+End until the last rows are painted, the grid then as long as the listing.
    double endMs = 0;
    bool endWhole = false;
    int fetched = 0;
    qint64 count = 0;
};

// One query as the user sees it: the window is up, the listing starts, and the run ends
// when the grid has painted its rows and the label shows the count. Each run opens the
// database anew, as the shell does.
OurRun ListOnce(const QString& programDir, const ListingCase& c)
{
    DM().setProgramDir(programDir);
    DM().database();
    OurRun run;
    {
        QWidget window;
        window.resize(1024, 700);
        auto* grid = new ProbedGrid(&window);
        auto* label = new QLabel(&window);
        auto* layout = new QVBoxLayout(&window);
        layout->addWidget(grid, 1);
        layout->addWidget(label);
        window.show();
        ProcessEventsUntil([&] { return grid->paints > 0; });
        // Let any repaint the showing queued go by before the clock starts.
        QElapsedTimer settle;
        settle.start();
        while (settle.elapsed() < 50)
            QCoreApplication::processEvents();
        const int before = grid->paints;

        QElapsedTimer timer;
        timer.start();
        grid->setStatement(SqlText(c.rows, c.values), c.order);
        grid->hideColumns({QStringLiteral("ID")});
        run.listMs = timer.nsecsElapsed() / 1e6;
        run.count = QueryValue(SqlText(c.count, c.values)).toLongLong();
        label->setText(QStringLiteral("记录：%1").arg(run.count));
        run.countMs = timer.nsecsElapsed() / 1e6 - run.listMs;
        ProcessEventsUntil([&] { return grid->paints > before; });
        run.ms = timer.nsecsElapsed() / 1e6;
        run.paintMs = run.ms - run.listMs - run.countMs;
        run.fetched = grid->model()->rowCount();

        grid->setFocus();
        const int painted = grid->paints;
        QElapsedTimer end;
        end.start();
        QKeyEvent ctrlEnd(QEvent::KeyPress, Qt::Key_End, Qt::ControlModifier);
        QCoreApplication::sendEvent(grid, &ctrlEnd);
        // An empty listing has no row to go to and nothing to paint again.
        ProcessEventsUntil([&] { return grid->paints > painted || run.fetched == 0; });
        run.endMs = end.nsecsElapsed() / 1e6;
        run.endWhole = grid->model()->rowCount() == run.count;
    }
    DM().close();
    return run;
}

QString SqlLiteral(const QVariant& value)
{
    QString text = value.toString();
    return QLatin1Char('\'') + text.replace(QLatin1Char('\''), QStringLiteral("''")) + QLatin1Char('\'');
}

// The statement with its values written in, for the shell; "?" stands only outside quotes.
QString WithLiterals(const QString& sql, const QVariantList& values)
{
    QString result;
    bool quoted = false;
    qsizetype next = 0;
    for (const QChar ch : sql) {
        if (ch == QLatin1Char('\''))
            quoted = !quoted;
        if (ch == QLatin1Char('?') && !quoted && next < values.size())
            result += SqlLiteral(values.at(next++));
        else
            result += ch;
    }
    return result;
}

struct ShellRun {
    double ms = 0;
    int rows = 0;
    qint64 count = 0;
};

// The shell for the database in use: sqlite3 on the file, psql on the server (its password
// from ~/.pgpass, as the program's).
struct Shell {
    QString program;
    QStringList arguments; // the statement goes last
};

Shell ShellFor(const QString& database)
{
    if (!DM().isServer())
        return {QStandardPaths::findExecutable(QStringLiteral("sqlite3")), {database}};
    const DatabaseSetting& server = DM().setting();
    return {QStandardPaths::findExecutable(QStringLiteral("psql")),
            {QStringLiteral("-qAtX"), QStringLiteral("-h"), server.host, QStringLiteral("-p"),
             QString::number(server.port), QStringLiteral("-U"), server.user, QStringLiteral("-d"), server.database,
             QStringLiteral("-c")}};
}

ShellRun ShellOnce(const Shell& shell, const QString& sql, const QString& outputFile)
{
    QProcess process;
    process.setStandardOutputFile(outputFile);
    QElapsedTimer timer;
    timer.start();
    process.start(shell.program, shell.arguments + QStringList{sql});
    if (!process.waitForFinished(-1) || process.exitCode() != 0)
        throw AppError(QStringLiteral("the shell failed: %1").arg(QString::fromUtf8(process.readAllStandardError())));
    ShellRun run;
    run.ms = timer.nsecsElapsed() / 1e6;
    QFile output(outputFile);
    output.open(QIODevice::ReadOnly);
    QByteArray last;
    while (!output.atEnd()) {
        last = output.readLine();
        ++run.rows;
    }
    // The count's line comes last.
    run.rows -= 1;
    run.count = last.trimmed().toLongLong();
    return run;
}

struct Options {
    QString programDir;
    int runs = 5;
    QStringList only;
};

Options ParseOptions(const QStringList& args)
{
    Options options;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args.at(i);
        if (arg == QStringLiteral("--runs") && i + 1 < args.size())
            options.runs = std::max(1, args.at(++i).toInt());
        else if (arg == QStringLiteral("--case") && i + 1 < args.size())
            options.only << args.at(++i);
        else if (!arg.startsWith(QLatin1Char('-')) && options.programDir.isEmpty())
            options.programDir = QFileInfo(arg).absoluteFilePath();
        else
            throw AppError(QStringLiteral("usage: bench_listing <programDir> [--runs N] [--case NAME]..."));
    }
    if (options.programDir.isEmpty())
        throw AppError(QStringLiteral("usage: bench_listing <programDir> [--runs N] [--case NAME]..."));
    return options;
}

// The offscreen platform's notes on every window shown and on a missing runtime folder say
// nothing about what is measured.
QtMessageHandler g_standardMessages = nullptr;

void QuietMessages(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (message.contains(QStringLiteral("does not support propagateSizeHints")) ||
        message.contains(QStringLiteral("XDG_RUNTIME_DIR not set")))
        return;
    if (g_standardMessages)
        g_standardMessages(type, context, message);
    else
        std::fprintf(stderr, "%s\n", qPrintable(message));
}

} // namespace

int main(int argc, char** argv)
{
    g_standardMessages = qInstallMessageHandler(QuietMessages);
    QApplication app(argc, argv);
    QTextStream out(stdout);
    try {
        const Options options = ParseOptions(app.arguments().mid(1));
        const QString database = QDir(options.programDir).filePath(QStringLiteral("Data/db.sqlite3"));
        Unit1::setProgramDir(options.programDir);
        DM().setProgramDir(options.programDir);
        // The data module would make an empty database; measuring that would say nothing.
        if (!DM().isServer() && !QFileInfo::exists(database))
            throw AppError(QStringLiteral("%1 does not exist; make it with orvane-gen-db").arg(database));
        const qint64 waybills = QueryValue(SqlText(QStringLiteral("SELECT COUNT(*) FROM UE"))).toLongLong();
        const Shell shell = ShellFor(database);
        DM().close();

        QTemporaryDir scratch;
        const QString shellOutput = scratch.filePath(QStringLiteral("shell.txt"));
        QList<double> startTimes;
        if (!shell.program.isEmpty()) {
            Shell bare = shell;
            if (!DM().isServer())
                bare.arguments = QStringList{QStringLiteral(":memory:")};
            for (int i = 0; i < options.runs; ++i)
                startTimes << ShellOnce(bare, QStringLiteral("SELECT 1;"), shellOutput).ms;
        }

        out << QStringLiteral("%1: %2 waybills, %3 runs per case, medians in ms; shell %4\n")
                   .arg(DM().isServer() ? DM().setting().describe() : database)
                   .arg(waybills)
                   .arg(options.runs)
                   .arg(shell.program.isEmpty()
                            ? QStringLiteral("not found: no shell column")
                            : QStringLiteral("start-up alone %1 ms").arg(Median(startTimes), 0, 'f', 1));
        out << QStringLiteral("%1 %2 %3 %4 %5 %6 %7 %8 %9\n")
                   .arg(QStringLiteral("case"), -18)
                   .arg(QStringLiteral("fetched"), 8)
                   .arg(QStringLiteral("count"), 9)
                   .arg(QStringLiteral("ours"), 9)
                   .arg(QStringLiteral("(list/count/paint)"), 20)
                   .arg(QStringLiteral("shell"), 9)
                   .arg(QStringLiteral("ratio"), 6)
                   .arg(QStringLiteral("peak RSS MB"), 12)
                   .arg(QStringLiteral("Ctrl+End"), 9);
        out.flush();

        const bool perCasePeak = ResetPeak();
        double worstRatio = 0;
        qint64 worstPeakKb = 0;
        QStringList mismatches;
        for (const ListingCase& c : Cases()) {
            if (!options.only.isEmpty() && !options.only.contains(c.name))
                continue;
            ResetPeak();
            // An untimed first run of each warms the file cache and tells the shell how many
            // rows the grid fetched; both must find the same rows and the same count.
            const OurRun first = ListOnce(options.programDir, c);
            QString shellSql;
            if (!shell.program.isEmpty()) {
                shellSql = WithLiterals(c.rows + OrderByClause(c.order), c.values) +
                           QStringLiteral("LIMIT %1; ").arg(first.fetched) + WithLiterals(c.count, c.values) +
                           QStringLiteral(";");
                const ShellRun check = ShellOnce(shell, shellSql, shellOutput);
                if (check.rows != first.fetched || check.count != first.count)
                    mismatches << QStringLiteral("%1: ours %2 rows, count %3; shell %4 rows, count %5")
                                      .arg(c.name)
                                      .arg(first.fetched)
                                      .arg(first.count)
                                      .arg(check.rows)
                                      .arg(check.count);
            }
            // Taking turns, so that a busy moment on the machine falls on both alike.
            QList<double> ours, lists, counts, paints, shellTimes, ends;
            for (int i = 0; i < options.runs; ++i) {
                const OurRun run = ListOnce(options.programDir, c);
                ours << run.ms;
                lists << run.listMs;
                counts << run.countMs;
                paints << run.paintMs;
                ends << run.endMs;
                if (!run.endWhole)
                    mismatches << QStringLiteral("%1: Ctrl+End left the grid short of the count").arg(c.name);
                if (!shell.program.isEmpty())
                    shellTimes << ShellOnce(shell, shellSql, shellOutput).ms;
            }
            const qint64 peakKb = perCasePeak ? StatusKb("VmHWM") : 0;
            worstPeakKb = std::max(worstPeakKb, peakKb);
            std::optional<double> shellMs;
            if (!shellTimes.isEmpty())
                shellMs = Median(shellTimes);
            const double ourMs = Median(ours);
            const double ratio = shellMs ? ourMs / *shellMs : 0;
            worstRatio = std::max(worstRatio, ratio);
            const QString parts = QStringLiteral("%1/%2/%3")
                                      .arg(Median(lists), 0, 'f', 1)
                                      .arg(Median(counts), 0, 'f', 1)
                                      .arg(Median(paints), 0, 'f', 1);
            out << QStringLiteral("%1 %2 %3 %4 %5 %6 %7 %8 %9\n")
                       .arg(c.name, -18)
                       .arg(first.fetched, 8)
                       .arg(first.count, 9)
                       .arg(ourMs, 9, 'f', 1)
                       .arg(parts, 20)
                       .arg(shellMs ? QString::number(*shellMs, 'f', 1) : QStringLiteral("-"), 9)
                       .arg(shellMs ? QString::number(ratio, 'f', 2) : QStringLiteral("-"), 6)
                       .arg(perCasePeak ? QString::number(peakKb / 1024.0, 'f', 1) : QStringLiteral("-"), 12)
                       .arg(Median(ends), 9, 'f', 1);
            out.flush();
        }

        struct rusage usage {};
        getrusage(RUSAGE_SELF, &usage);
        out << QStringLiteral("process peak RSS %1 MB (ru_maxrss); worst case peak %2 MB; worst ratio %3\n")
                   .arg(usage.ru_maxrss / 1024.0, 0, 'f', 1)
                   .arg(worstPeakKb / 1024.0, 0, 'f', 1)
                   .arg(worstRatio, 0, 'f', 2);
        for (const QString& mismatch : mismatches)
            out << "MISMATCH " << mismatch << '\n';
        return mismatches.isEmpty() ? 0 : 1;
    } catch (const AppError& error) {
        QTextStream(stderr) << error.message() << '\n';
        return 1;
    }
}
