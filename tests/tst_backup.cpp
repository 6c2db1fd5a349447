// Backup and restore over a real program folder: archives read back by another zip
// reader, restores applied as the next start applies them, the daily rotation, a
// backup taken while another connection writes, and where the data folder goes.
#include "TestSupport.h"

#include "AppError.h"
#include "Backup.h"
#include "BackupCommands.h"
#include "DM.h"
#include "Main.h"
#include "Unit1.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSqlError>
#include <QSqlQuery>
#include <atomic>
#include <thread>

class TestBackup : public QObject {
    Q_OBJECT
private slots:
    void restoreBringsBackTheArchiveAndKeepsTheDataItReplaced();
    void unusableArchiveIsRefusedWithNothingChanged_data();
    void unusableArchiveIsRefusedWithNothingChanged();
    void dailyBackupKeepsTheLastSeven();
    void backupTakenDuringWritesHoldsWholeTransactions();
    void menuCommandsAskThenEndTheProgram();
    void dataFolderChoice_data();
    void dataFolderChoice();
};

namespace {

void addCompany(const QString& name) { DM().ExecSql(SqlText("INSERT INTO SCom (theName) VALUES (?)", {name})); }

QStringList companies()
{
    QSqlQuery query = DM().run(SqlText("SELECT theName FROM SCom ORDER BY theName"));
    QStringList names;
    while (query.next())
        names << query.value(0).toString();
    return names;
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// What a user would find: companies, pictures with their bytes, and the backup folder.
QStringList dataSeen(const ProgramFolder& folder)
{
    QStringList seen = companies();
    for (const QString& name : QDir(folder.file("Image")).entryList(QDir::Files, QDir::Name))
        seen << name + "=" + readFile(folder.file("Image/" + name));
    seen << QDir(Backup::AutomaticFolder()).entryList(QDir::Files, QDir::Name);
    seen << QDir(folder.file("Data")).entryList({"restore-pending*"}, QDir::AllEntries);
    return seen;
}

// Python's zipfile, another implementation than the program's, writes and reads archives.
QString python(const QString& script, const QStringList& arguments)
{
    QProcess process;
    process.start("python3", QStringList{"-c", script} + arguments);
    if (!process.waitForFinished(30000) || process.exitCode() != 0)
        return "python3 failed: " + process.readAllStandardError();
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

// A zip of (entry name, file) pairs, the names taken as they are.
void zipOf(const QString& archive, const QStringList& pairs)
{
    QCOMPARE(
        python("import sys, zipfile\nz = zipfile.ZipFile(sys.argv[1], 'w')\n"
               "for n, f in zip(sys.argv[2::2], sys.argv[3::2]): z.writestr(zipfile.ZipInfo(n), open(f, 'rb').read())\n"
               "z.close()",
               QStringList{archive} + pairs),
        QString());
}

// A copy of the program's own database file, changed by `change` over a connection of its own.
QString databaseCopy(const ProgramFolder& folder, const QString& name, const QString& change = QString())
{
    DM().close();
    const QString copy = folder.file(name);
    QFile::copy(folder.file("Data/db.sqlite3"), copy);
    if (!change.isEmpty()) {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", name);
        db.setDatabaseName(copy);
        db.open();
        QSqlQuery(db).exec(change);
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return copy;
}

} // namespace

void TestBackup::restoreBringsBackTheArchiveAndKeepsTheDataItReplaced()
{
    ProgramFolder folder;
    addCompany("顺丰");
    writeFile(folder.file("Image/顺丰.jpg"), "first picture");
    const QString archive = folder.file("Orvane备份-2026-12-07.zip");
    Backup::WriteArchive(archive);
    QCOMPARE(python("import sys, zipfile\nprint(sorted(zipfile.ZipFile(sys.argv[1]).namelist()))", {archive}),
             "['Image/顺丰.jpg', 'db.sqlite3']");
    // Debian's unzip reads the names of entries made on MS-DOS as code page 437.
    QProcess unzip;
    unzip.start("unzip", {"-Z1", archive});
    QVERIFY(unzip.waitForFinished(30000));
    QCOMPARE(QString::fromUtf8(unzip.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts),
             QStringList({"db.sqlite3", "Image/顺丰.jpg"}));
    const QStringList archived = dataSeen(folder);

    addCompany("圆通");
    writeFile(folder.file("Image/顺丰.jpg"), "changed picture");
    writeFile(folder.file("Image/圆通.jpg"), "another picture");
    const QStringList current = dataSeen(folder);

    Backup::RestoreStage stage(archive);
    const QString safety = stage.commit();
    // Until the next start the program goes on with the data it has.
    QCOMPARE(companies(), QStringList({"圆通", "顺丰"}));
    QVERIFY(Backup::ApplyPendingRestore());
    QCOMPARE(dataSeen(folder), archived + QStringList{QFileInfo(safety).fileName()});
    QVERIFY(!Backup::ApplyPendingRestore());

    // The automatic backup taken first holds the data exactly as the restore found it.
    Backup::RestoreStage(safety).commit();
    QVERIFY(Backup::ApplyPendingRestore());
    QCOMPARE(dataSeen(folder).mid(0, current.size()), current);
}

void TestBackup::unusableArchiveIsRefusedWithNothingChanged_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("reason");
    QTest::newRow("text file") << "text" << QString("不是本软件的备份文件");
    QTest::newRow("cut short") << "truncated" << QString("不是本软件的备份文件");
    QTest::newRow("one byte changed") << "flipped" << QString("不是本软件的备份文件");
    QTest::newRow("no database") << "pictures only" << QString("不是本软件的备份文件");
    QTest::newRow("page overwritten") << "damaged database" << QString("损坏");
    QTest::newRow("another program's database") << "foreign database" << QString("不是本软件的数据");
    QTest::newRow("newer program") << "newer database" << QString("更新版本");
    QTest::newRow("picture climbing out") << "escaping picture" << QString("不是本软件的备份文件");
}

void TestBackup::unusableArchiveIsRefusedWithNothingChanged()
{
    QFETCH(QString, kind);
    QFETCH(QString, reason);
    ProgramFolder folder;
    addCompany("顺丰");
    writeFile(folder.file("Image/顺丰.jpg"), "picture");
    const QString archive = folder.file("bad.zip");
    const QString text = folder.file("text.txt");
    writeFile(text, "not a backup");
    if (kind == "text") {
        QFile::copy(text, archive);
    } else if (kind == "truncated" || kind == "flipped") {
        Backup::WriteArchive(archive);
        QByteArray bytes = readFile(archive);
        if (kind == "truncated")
            bytes.truncate(bytes.size() / 2);
        else
            bytes[200] = char(bytes[200] ^ 0x5a); // inside the compressed database
        writeFile(archive, bytes);
    } else if (kind == "pictures only") {
        zipOf(archive, {"Image/a.jpg", text});
    } else if (kind == "damaged database") {
        const QString copy = databaseCopy(folder, "damaged.sqlite3");
        QFile file(copy);
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.seek(4 * 4096));
        file.write(QByteArray(4096, '\xff'));
        file.close();
        zipOf(archive, {"db.sqlite3", copy});
    } else if (kind == "foreign database") {
        zipOf(archive, {"db.sqlite3", databaseCopy(folder, "foreign.sqlite3", "DROP TABLE UE")});
    } else if (kind == "newer database") {
        zipOf(archive, {"db.sqlite3", databaseCopy(folder, "newer.sqlite3", "PRAGMA user_version = 99")});
    } else if (kind == "escaping picture") {
        zipOf(archive, {"db.sqlite3", databaseCopy(folder, "ok.sqlite3"), "Image/../../escaped.jpg", text});
    }
    const QStringList before = dataSeen(folder);

    try {
        Backup::RestoreStage stage(archive);
        QFAIL("the archive was taken for a backup");
    } catch (const AppError& error) {
        QVERIFY2(error.message().contains(reason), qPrintable(error.message()));
        QVERIFY(error.message().contains("当前的数据没有任何改动"));
    }
    QVERIFY(!Backup::ApplyPendingRestore());
    QCOMPARE(dataSeen(folder), before);
    QVERIFY(!QFile::exists(folder.file("escaped.jpg")));
}

void TestBackup::dailyBackupKeepsTheLastSeven()
{
    ProgramFolder folder;
    DM().open();
    writeFile(folder.file("Data/backup/恢复前备份-2026-11-30-120000.zip"), "kept by hand");
    for (int day = 1; day <= 9; ++day)
        QVERIFY(!Backup::WriteDailyBackup(QDate(2026, 12, day)).isEmpty());
    addCompany("顺丰");
    // The day's second start leaves the day's backup as it was.
    QVERIFY(Backup::WriteDailyBackup(QDate(2026, 12, 9)).isEmpty());
    QCOMPARE(QDir(folder.file("Data/backup")).entryList(QDir::Files, QDir::Name),
             QStringList({"Orvane备份-2026-12-03.zip", "Orvane备份-2026-12-04.zip", "Orvane备份-2026-12-05.zip",
                          "Orvane备份-2026-12-06.zip", "Orvane备份-2026-12-07.zip", "Orvane备份-2026-12-08.zip",
                          "Orvane备份-2026-12-09.zip", "恢复前备份-2026-11-30-120000.zip"}));
    Backup::RestoreStage(folder.file("Data/backup/Orvane备份-2026-12-09.zip")).commit();
    QVERIFY(Backup::ApplyPendingRestore());
    QCOMPARE(companies(), QStringList());
}

void TestBackup::backupTakenDuringWritesHoldsWholeTransactions()
{
    ProgramFolder folder;
    DM().open();
    constexpr int RowsPerCommit = 10;
    std::atomic<int> committed{0};
    std::atomic<bool> stop{false};
    QString writerError;
    // A second connection adds ten rows per transaction for as long as the backup runs.
    std::thread writer([&] {
        {
            QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "writer");
            db.setDatabaseName(folder.file("Data/db.sqlite3"));
            db.setConnectOptions("QSQLITE_BUSY_TIMEOUT=5000");
            db.open();
            QSqlQuery insert(db);
            insert.prepare("INSERT INTO USender (theName, Remark) VALUES (?, ?)");
            while (!stop && writerError.isEmpty()) {
                db.transaction();
                for (int i = 0; i < RowsPerCommit; ++i) {
                    insert.addBindValue(QString("寄件人%1").arg(committed + i));
                    insert.addBindValue(QString(200, 'x'));
                    if (!insert.exec())
                        writerError = insert.lastError().text();
                }
                if (!db.commit())
                    writerError = db.lastError().text();
                committed += RowsPerCommit;
            }
        }
        QSqlDatabase::removeDatabase("writer");
    });
    QTest::qWait(300);
    const int before = committed;
    const QString archive = folder.file("during.zip");
    Backup::WriteArchive(archive);
    const int after = committed;
    QTest::qWait(100);
    stop = true;
    writer.join();
    QVERIFY2(writerError.isEmpty(), qPrintable(writerError));

    Backup::RestoreStage(archive).commit(); // refused unless the copy passes the integrity check
    QVERIFY(Backup::ApplyPendingRestore());
    const int rows = DM().QueryCount(SqlText("SELECT ID FROM USender"));
    QSqlQuery last = DM().run(SqlText("SELECT max(ID) FROM USender"));
    QVERIFY(last.next());
    qInfo("rows committed when the backup started: %d, when it ended: %d, in the backup: %d", before, after, rows);
    QVERIFY(rows >= before);
    QCOMPARE(rows % RowsPerCommit, 0);
    QCOMPARE(last.value(0).toInt(), rows);
}

void TestBackup::menuCommandsAskThenEndTheProgram()
{
    ProgramFolder folder;
    TfrmMain main;
    addCompany("顺丰");
    MessageRecorder messages(false);
    QString suggested;
    const SaveFileHandler previous = setSaveFileHandler([&](QWidget*, const QString&, const QString& name) {
        suggested = name;
        return folder.file("mine.zip");
    });
    child<QAction>(&main, "N20")->trigger();
    setSaveFileHandler(previous);
    QCOMPARE(suggested, "Orvane备份-" + QDate::currentDate().toString("yyyy-MM-dd") + ".zip");
    QVERIFY(messages.last().contains(QDir::toNativeSeparators(folder.file("mine.zip"))));

    addCompany("圆通");
    OpenFileAnswer answer(folder.file("mine.zip"));
    QVERIFY(!programEndsAfter([&] { child<QAction>(&main, "N21")->trigger(); }));
    QCOMPARE(messages.shown().last().caption, QString("恢复数据"));
    QVERIFY(messages.last().contains(QDir::toNativeSeparators(folder.file("mine.zip"))));
    QVERIFY(!QFile::exists(Backup::AutomaticFolder())); // answered No: nothing written

    messages.answerNext(true);
    QVERIFY(programEndsAfter([&] { child<QAction>(&main, "N21")->trigger(); }));
    QVERIFY(BackupCommands::ApplyRestoreAtStart());
    QCOMPARE(companies(), QStringList({"顺丰"}));

    {
        const BackupCommands::DailyBackup atStart;
    }
    QVERIFY(QFile::exists(QDir(Backup::AutomaticFolder()).filePath(Backup::ArchiveName(QDate::currentDate()))));
}

void TestBackup::dataFolderChoice_data()
{
    QTest::addColumn<QString>("layout");
    QTest::addColumn<bool>("besideTheProgram");
    QTest::newRow("writable folder") << "portable" << true;
    QTest::newRow("installed under a prefix") << "installed" << false;
    QTest::newRow("folder nobody can write, root included") << "/proc" << false;
}

void TestBackup::dataFolderChoice()
{
    QFETCH(QString, layout);
    QFETCH(bool, besideTheProgram);
    QTemporaryDir home;
    qputenv("XDG_DATA_HOME", home.path().toUtf8());
    QString program = layout;
    if (layout == "portable" || layout == "installed") {
        program = home.filePath("prefix/bin");
        QDir().mkpath(program);
        if (layout == "installed")
            QDir().mkpath(home.filePath("prefix/share/orvane-waybill/help"));
    }
    QCOMPARE(Unit1::dataFolderFor(program), besideTheProgram ? program : home.filePath("orvane-waybill"));
    qunsetenv("XDG_DATA_HOME");
}

ORVANE_TEST_MAIN(TestBackup)
#include "tst_backup.moc"
