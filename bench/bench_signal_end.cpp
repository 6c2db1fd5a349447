// How soon a logout ends the program during each long job: 导入联系人 (a 300,000-row CSV
// file), 批量打印 (3,000 waybills into a PDF file) and, when ORVANE_TEST_SERVER and
// PGPASSFILE are set as the tests set them, 复制到服务器 (300,000 waybills). Each run is a
// process of its own built as the program is: its windows, its signal handler ending the
// run through the event loop, the database closed before main() returns. SIGTERM goes
// half a second into the job; the time is from the signal to the process's exit, and what
// the job left in the database is read afterwards.
//   bench_signal_end [runs] [import|batch|copy ...]
#include "Application.h"
#include "CourierStore.h"
#include "DM.h"
#include "Database.h"
#include "E_Q.h"
#include "Messages.h"
#include "Modal.h"
#include "Printing.h"
#include "Sender_Q.h"
#include "ServerCheck.h"
#include "SignalExit.h"
#include "Unit1.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <memory>
#include <optional>

namespace {

// The tests' server as host:port:user, and a database of this run's own on it.
std::optional<DatabaseSetting> serverTarget()
{
    const QStringList parts = qEnvironmentVariable("ORVANE_TEST_SERVER").split(u':');
    if (parts.size() != 3)
        return std::nullopt;
    return DatabaseSetting{true, parts[0], parts[1].toInt(), QStringLiteral("orvane_signal_bench"), parts[2]};
}

std::optional<QString> serverAdmin(const DatabaseSetting& target, const QString& statement)
{
    DatabaseSetting admin = target;
    admin.database = QStringLiteral("postgres");
    ServerConnection postgres(admin, QString());
    if (!postgres.open())
        return postgres.driverText();
    postgres.run(statement);
    return std::nullopt;
}

void fill(const QString& job, const QString& folder)
{
    if (job == QLatin1String("import")) {
        QFile csv(QDir(folder).filePath(QStringLiteral("contacts.csv")));
        csv.open(QIODevice::WriteOnly);
        csv.write("寄件人,电话号码,单位名称,详细地址\n");
        for (int i = 0; i < 300000; ++i)
            csv.write(
                QStringLiteral("联系人%1,0755-%1,深圳市华强电子有限公司,科技园南区高新南一道 %1 号\n").arg(i).toUtf8());
        return;
    }
    CourierStore::createCompany({QStringLiteral("顺丰速运"), "", "", "", "", ""});
    DM().ExecSql(
        SqlText(QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < ?) "
                               "INSERT INTO UE (ENum, EName, SName, SAdd, JName, JAdd, theDel, myDate, UName) "
                               "SELECT i, '顺丰速运', '收件人' || i, '中关村软件园二期 10 号楼 3 层 301 室', '张三', "
                               "'科技园南区高新南一道 8 号', '否', '2026-12-07', 'admin' FROM n"),
                {job == QLatin1String("batch") ? 3000 : 300000}));
}

// One run of the program on `folder`, the job started as soon as the loop runs.
int runJob(int& argc, char** argv)
{
    OrvaneApplication app(argc, argv);
    const QString job = QString::fromLocal8Bit(argv[2]);
    const QString folder = QString::fromLocal8Bit(argv[3]);
    const SignalExit signalExit;
    QObject::connect(&signalExit, &SignalExit::arrived, &app, &SignalExit::endRun);
    Unit1::setCurrentUserName(QStringLiteral("admin"));
    Unit1::setProgramDir(folder);
    DM().setProgramDir(folder);
    setMessageHandler([](const MessageRequest&) { return true; });
    const QString csv = QDir(folder).filePath(QStringLiteral("contacts.csv"));
    setOpenFileHandler([csv](QWidget*, const QString&) { return csv; });
    SetPrintOutputFile(QDir(folder).filePath(QStringLiteral("batch.pdf")));
    int result = 0;
    {
        std::unique_ptr<QWidget> window;
        std::function<void()> start;
        if (job == QLatin1String("copy")) {
            auto* database = new TfrmDatabase(nullptr);
            window.reset(database);
            const DatabaseSetting target = *serverTarget();
            window->findChild<QRadioButton*>(QStringLiteral("serverChoice"))->setChecked(true);
            window->findChild<QLineEdit*>(QStringLiteral("hostEdit"))->setText(target.host);
            window->findChild<QLineEdit*>(QStringLiteral("portEdit"))->setText(QString::number(target.port));
            window->findChild<QLineEdit*>(QStringLiteral("databaseEdit"))->setText(target.database);
            window->findChild<QLineEdit*>(QStringLiteral("userEdit"))->setText(target.user);
            start = [database] { database->copyToServer(); };
        } else {
            auto* query = job == QLatin1String("batch") ? static_cast<QueryWindow*>(new TfrmE_Q)
                                                        : static_cast<QueryWindow*>(new TfrmSender_Q);
            window.reset(query);
            query->BitBtn1Click();
            const char* command = job == QLatin1String("batch") ? "BatchPrint" : "ImportContacts";
            start = [query, command] { query->findChild<QAction*>(QLatin1String(command))->trigger(); };
        }
        window->show();
        QTimer::singleShot(0, [start] {
            std::puts("started");
            std::fflush(stdout);
            start();
        });
        result = app.exec();
    }
    DM().close();
    return result;
}

QString left(const QString& job, const QString& folder)
{
    DM().setProgramDir(folder);
    if (job == QLatin1String("import"))
        return QStringLiteral("%1 contacts kept")
            .arg(DM().QueryCount(SqlText(QStringLiteral("SELECT ID FROM USender"))));
    if (job == QLatin1String("batch"))
        return QStringLiteral("%1 of 3000 pages logged")
            .arg(DM().QueryCount(SqlText(QStringLiteral("SELECT ID FROM ULog"))));
    ServerConnection server(*serverTarget(), QString());
    if (!server.open())
        return server.driverText();
    return QStringLiteral("%1 tables on the server")
        .arg(
            server.value(QStringLiteral("SELECT COUNT(*) FROM information_schema.tables WHERE table_schema = 'public'"))
                .toInt());
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    if (argc == 4 && QByteArray(argv[1]) == "--run")
        return runJob(argc, argv);

    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    const int runs = args.isEmpty() ? 3 : qMax(1, args.takeFirst().toInt());
    QStringList jobs = args.isEmpty() ? QStringList{"import", "batch", "copy"} : args;
    Unit1::setCurrentUserName(QStringLiteral("admin"));
    for (const QString& job : jobs) {
        if (job == QLatin1String("copy") && !serverTarget()) {
            std::printf("copy: skipped (no ORVANE_TEST_SERVER)\n");
            continue;
        }
        QList<double> times;
        for (int run = 0; run < runs; ++run) {
            QTemporaryDir folder;
            Unit1::setProgramDir(folder.path());
            DM().setProgramDir(folder.path());
            fill(job, folder.path());
            DM().close();
            if (job == QLatin1String("copy")) {
                serverAdmin(*serverTarget(), QStringLiteral("DROP DATABASE IF EXISTS orvane_signal_bench"));
                if (const std::optional<QString> failed =
                        serverAdmin(*serverTarget(), QStringLiteral("CREATE DATABASE orvane_signal_bench"))) {
                    std::printf("copy: no database on the server: %s\n", qPrintable(*failed));
                    break;
                }
            }
            QProcess program;
            program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
            program.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--run"), job, folder.path()});
            while (program.state() == QProcess::Running && !program.canReadLine())
                program.waitForReadyRead(100);
            QThread::msleep(500);
            QElapsedTimer timer;
            timer.start();
            ::kill(program.processId(), SIGTERM);
            const bool ended = program.waitForFinished(60000);
            times << timer.nsecsElapsed() / 1e6;
            std::printf("%-6s run %d: %7.1f ms from SIGTERM to exit (%s, exit code %d); %s\n", qPrintable(job), run + 1,
                        times.last(), ended ? "ended" : "still running after 60 s", program.exitCode(),
                        qPrintable(left(job, folder.path())));
            std::fflush(stdout);
            DM().close();
        }
        if (times.isEmpty())
            continue;
        std::sort(times.begin(), times.end());
        std::printf("%-6s median %7.1f ms\n", qPrintable(job), times[times.size() / 2]);
    }
    if (jobs.contains(QStringLiteral("copy")) && serverTarget())
        serverAdmin(*serverTarget(), QStringLiteral("DROP DATABASE IF EXISTS orvane_signal_bench"));
    return 0;
}
