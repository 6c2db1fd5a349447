// Backup and restore over a real program folder: archives read back by another zip
// reader, restores applied as the next start applies them, hostile archives, the
// rotation of automatic backups, a backup taken while another connection writes, signals
// and leftovers, and where the data folder goes.
#include "TestSupport.h"

#include "AppError.h"
#include "Backup.h"
#include "BackupCommands.h"
#include "CourierStore.h"
#include "DM.h"
#include "E_Q.h"
#include "Main.h"
#include "Printing.h"
#include "Schema.h"
#include "Sender_Q.h"
#include "SignalExit.h"
#include "Unit1.h"
#include "ZipArchive.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QProcess>
#include <QProgressDialog>
#include <QPushButton>
#include <QSqlError>
#include <QSqlQuery>
#include <QTimer>
#include <QtEndian>
#include <atomic>
#include <csignal>
#include <thread>

class TestBackup : public QObject {
    Q_OBJECT
private slots:
    void restoreBringsBackTheArchiveAndKeepsTheDataItReplaced();
    void unusableArchiveIsRefusedWithNothingChanged_data();
    void unusableArchiveIsRefusedWithNothingChanged();
    void olderArchiveIsTakenAndWhatItLeavesOutIsNamed();
    void automaticBackupsArePruned();
    void backupTakenDuringWritesHoldsWholeTransactions();
    void menuCommandsAskThenEndTheProgram();
    void serverDataIsLeftToTheServersOwnBackup();
    void signalEndsTheProgramAndStopsItsBackup_data();
    void signalEndsTheProgramAndStopsItsBackup();
    void runningBackupIsLeftAloneAndASignalStopsIt();
    void signalStopsALongJobAndEndsTheRun_data();
    void signalStopsALongJobAndEndsTheRun();
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

// A copy of the program's own database file, changed by `changes` over a connection of its own.
QString databaseCopy(const ProgramFolder& folder, const QString& name, const QStringList& changes = {})
{
    DM().close();
    const QString copy = folder.file(name);
    QFile::copy(folder.file("Data/db.sqlite3"), copy);
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", name);
        db.setDatabaseName(copy);
        db.open();
        for (const QString& change : changes)
            QSqlQuery(db).exec(change);
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return copy;
}

// Changes the size the archive records for `entry`, in its local header and in the central
// directory, past 4 GiB through a ZIP64 extra field there. The data stays as it was.
void recordSize(const QString& archive, const QString& entry, quint64 size)
{
    QByteArray zip = readFile(archive);
    const qsizetype end = zip.lastIndexOf("PK\x05\x06");
    qsizetype at = qFromLittleEndian<quint32>(zip.constData() + end + 16);
    const auto field = [&](int offset) { return qFromLittleEndian<quint16>(zip.constData() + at + offset); };
    while (at < end && zip.mid(at + 46, field(28)) != entry.toUtf8())
        at += 46 + field(28) + field(30) + field(32);
    QVERIFY(at < end);
    if (size < 0xffffffffu) {
        qToLittleEndian<quint32>(quint32(size),
                                 zip.data() + qFromLittleEndian<quint32>(zip.constData() + at + 42) + 22);
    } else {
        QByteArray extra = QByteArray::fromHex("01000800") + QByteArray(8, '\0'); // ZIP64: id 1, 8 bytes of size
        qToLittleEndian<quint64>(size, extra.data() + 4);
        zip.insert(at + 46 + field(28) + field(30), extra);
        qToLittleEndian<quint16>(field(30) + 12, zip.data() + at + 30);
        qToLittleEndian<quint32>(qFromLittleEndian<quint32>(zip.constData() + end + 24) + 12, zip.data() + end + 24);
    }
    qToLittleEndian<quint32>(quint32(std::min<quint64>(size, 0xffffffffu)), zip.data() + at + 24);
    writeFile(archive, zip);
}

// What killed backups leave, and a partial archive of the user's own.
void plantLeftovers(const ProgramFolder& folder)
{
    writeFile(folder.file("Data/backup-k1ll3d/db.sqlite3"), "a copy a killed run left");
    writeFile(folder.file("Data/backup/Orvane备份-2026-12-01.zip.part"), "cut off");
    writeFile(folder.file("Data/backup/恢复前备份-2026-12-01-101010.zip.part"), "cut off");
    writeFile(folder.file("Data/backup/mine.zip.part"), "not the program's");
}

// Enough data, hard to pack, that a backup takes a moment to copy and pack.
void addBulk()
{
    DM().ExecSql(SqlText("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 30000) "
                         "INSERT INTO USender (Remark) SELECT hex(randomblob(1000)) FROM n"));
}

QStringList entries(const QString& folder, const QString& pattern = "*")
{
    return QDir(folder).entryList({pattern}, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

} // namespace

void TestBackup::restoreBringsBackTheArchiveAndKeepsTheDataItReplaced()
{
    SKIP_ON_SERVER();
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
    // A run killed now leaves its write-ahead log, 圆通 in it, which must not be replayed.
    const QString log = folder.file("Data/db.sqlite3-wal");
    QVERIFY(QFile::copy(log, folder.file("killed.wal")));
    DM().close();
    QVERIFY(QFile::copy(folder.file("killed.wal"), log));
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
    QTest::newRow("index out of step with its table") << "damaged index" << QString("完整性检查");
    QTest::newRow("another program's database") << "foreign database" << QString("不是本软件的数据");
    QTest::newRow("newer program") << "newer database" << QString("更新版本");
    QTest::newRow("right tables, other columns") << "other columns" << QString("不是本软件的数据");
    QTest::newRow("data past its recorded size") << "recorded smaller" << QString("不是本软件的备份文件");
    QTest::newRow("data ending before its recorded size") << "recorded larger" << QString("不是本软件的备份文件");
    QTest::newRow("database larger than the disk") << "recorded 1 TiB" << QString("磁盘空间");
}

void TestBackup::unusableArchiveIsRefusedWithNothingChanged()
{
    SKIP_ON_SERVER();
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
    } else if (kind == "damaged index") {
        addCompany("Zebra");
        const qint64 page = RowsOf(SqlText("PRAGMA page_size")).value(0).toLongLong();
        const qint64 root =
            RowsOf(SqlText("SELECT rootpage FROM sqlite_master WHERE name = 'SCom_Name'"))[0].toLongLong();
        const QString copy = databaseCopy(folder, "index.sqlite3");
        QByteArray bytes = readFile(copy);
        const qsizetype at = bytes.indexOf("Zebra", (root - 1) * page);
        QVERIFY(root > 0 && at >= 0 && at < root * page);
        writeFile(copy, bytes.replace(at, 5, "Zebrb"));
        zipOf(archive, {"db.sqlite3", copy});
    } else if (kind == "foreign database") {
        zipOf(archive, {"db.sqlite3", databaseCopy(folder, "foreign.sqlite3", {"DROP TABLE UE"})});
    } else if (kind == "newer database") {
        zipOf(archive, {"db.sqlite3", databaseCopy(folder, "newer.sqlite3", {"PRAGMA user_version = 99"})});
    } else if (kind == "other columns") {
        QStringList changes;
        for (const QString& table : RowsOf(SqlText("SELECT name FROM sqlite_master WHERE type = 'table' "
                                                   "AND name NOT LIKE 'sqlite%'")))
            changes << "DROP TABLE " + table << "CREATE TABLE " + table + " (x)";
        zipOf(archive, {"db.sqlite3", databaseCopy(folder, "other.sqlite3", changes)});
    } else {
        Backup::WriteArchive(archive);
        const QHash<QString, quint64> recorded{
            {"recorded smaller", 4096}, {"recorded larger", 1 << 24}, {"recorded 1 TiB", quint64(1) << 40}};
        recordSize(archive, "db.sqlite3", recorded.value(kind));
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
}

void TestBackup::olderArchiveIsTakenAndWhatItLeavesOutIsNamed()
{
    SKIP_ON_SERVER();
    ProgramFolder folder;
    TfrmMain main;
    addCompany("顺丰");
    // The tables of the first version, as its files still are.
    const QString first =
        databaseCopy(folder, "v1.sqlite3",
                     {"DROP TABLE SOffset", "DROP TABLE SForm", "DROP TABLE SPWidth", "DROP TABLE ULog",
                      "DROP INDEX UE_LiveCompany", "DROP TABLE SPicture", "ALTER TABLE UE DROP COLUMN theVersion",
                      "PRAGMA user_version = 1", "ALTER TABLE USender DROP COLUMN theUsed",
                      "ALTER TABLE UAddressee DROP COLUMN theUsed", "ALTER TABLE USender DROP COLUMN theVersion",
                      "ALTER TABLE UAddressee DROP COLUMN theVersion", "ALTER TABLE SCom DROP COLUMN theVersion"});
    const QString archive = folder.file("old.zip");
    const QStringList leftOut{"Image/大.jpg", "../escaped.jpg", "Image/../../up.jpg", folder.file("absolute.jpg"),
                              "readme.txt"};
    {
        ZipWriter zip(archive);
        QVERIFY(zip.addFile("db.sqlite3", first, ZipWriter::Method::Deflate));
        for (const QString& name : leftOut + QStringList("Image/顺丰.jpg"))
            QVERIFY(zip.addData(name, "picture"));
        QVERIFY(zip.finish());
    }
    recordSize(archive, "Image/大.jpg", Backup::PictureLimit + 1);

    MessageRecorder messages(true);
    OpenFileAnswer answer(archive);
    QVERIFY(programEndsAfter([&] { child<QAction>(&main, "RestoreData")->trigger(); }));
    for (const QString& name : leftOut)
        QVERIFY2(messages.shown().first().text.contains(name), qPrintable(name));
    QVERIFY(BackupCommands::ApplyRestoreAtStart());
    QCOMPARE(companies(), QStringList({"顺丰"}));
    QCOMPARE(RowsOf(SqlText("PRAGMA user_version")), QStringList({QString::number(Schema::Version)}));
    QCOMPARE(entries(folder.file("Image")), QStringList({"顺丰.jpg"}));
    QCOMPARE(entries(folder.path(), "*.jpg") + entries(folder.file("Data"), "*.jpg"), QStringList());
}

void TestBackup::automaticBackupsArePruned()
{
    SKIP_ON_SERVER();
    ProgramFolder folder;
    DM().open();
    const QStringList planted{"恢复前备份-2026-11-28-120000.zip", "恢复前备份-2026-11-29-120000.zip",
                              "恢复前备份-2026-11-30-120000.zip", "恢复前备份-手工.zip"};
    for (const QString& name : planted)
        writeFile(folder.file("Data/backup/" + name), "kept by hand");
    for (int day = 1; day <= 9; ++day)
        QVERIFY(!Backup::WriteDailyBackup(QDate(2026, 12, day)).isEmpty());
    addCompany("顺丰");
    // The day's second start leaves the day's backup as it was.
    QVERIFY(Backup::WriteDailyBackup(QDate(2026, 12, 9)).isEmpty());
    const QString safety = Backup::RestoreStage(folder.file("Data/backup/Orvane备份-2026-12-09.zip")).commit();
    QVERIFY(Backup::ApplyPendingRestore());
    QCOMPARE(companies(), QStringList());
    QCOMPARE(entries(folder.file("Data/backup"), "Orvane*").join(" "),
             "Orvane备份-2026-12-03.zip Orvane备份-2026-12-04.zip Orvane备份-2026-12-05.zip Orvane备份-2026-12-06.zip "
             "Orvane备份-2026-12-07.zip Orvane备份-2026-12-08.zip Orvane备份-2026-12-09.zip");
    QCOMPARE(entries(folder.file("Data/backup"), "恢复前*"),
             QStringList({planted[1], planted[2], QFileInfo(safety).fileName(), planted[3]}));
}

void TestBackup::backupTakenDuringWritesHoldsWholeTransactions()
{
    SKIP_ON_SERVER();
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
    SKIP_ON_SERVER();
    ProgramFolder folder;
    TfrmMain main;
    addCompany("顺丰");
    writeFile(folder.file("mine.zip"), "an earlier backup");
    QString suggested, replaceQuestion;
    {
        // Plays the user at Qt's own file dialog: types "mine" where mine.zip is, and
        // answers Yes to replacing it, whether Qt's dialog asks or the program does.
        MessageRecorder replacing(true);
        QTimer user;
        QObject::connect(&user, &QTimer::timeout, [&] {
            QWidget* modal = QApplication::activeModalWidget();
            if (auto* box = qobject_cast<QMessageBox*>(modal)) {
                replaceQuestion = box->text();
                box->button(QMessageBox::Yes)->click();
            } else if (auto* dialog = qobject_cast<QFileDialog*>(modal); dialog && suggested.isEmpty()) {
                suggested = child<QLineEdit>(dialog, "fileNameEdit")->text();
                child<QLineEdit>(dialog, "fileNameEdit")->setText(folder.file("mine"));
                QMetaObject::invokeMethod(dialog, "accept", Qt::QueuedConnection);
            }
        });
        user.start(20);
        child<QAction>(&main, "BackUpData")->trigger();
        for (const MessageRequest& asked : replacing.shown())
            replaceQuestion += asked.kind == MessageKind::Question ? asked.text : QString();
        QVERIFY(replacing.last().contains(QDir::toNativeSeparators(folder.file("mine.zip"))));
    }
    QCOMPARE(suggested, "Orvane备份-" + QDate::currentDate().toString("yyyy-MM-dd") + ".zip");
    QVERIFY2(replaceQuestion.contains("mine.zip"), qPrintable(replaceQuestion));

    MessageRecorder messages(false);
    addCompany("圆通");
    OpenFileAnswer answer(folder.file("mine.zip"));
    QVERIFY(!programEndsAfter([&] { child<QAction>(&main, "RestoreData")->trigger(); }));
    QCOMPARE(messages.shown().last().caption, QString("恢复数据"));
    QVERIFY(messages.last().contains(QDir::toNativeSeparators(folder.file("mine.zip"))));
    QVERIFY(!QFile::exists(Backup::AutomaticFolder())); // answered No: nothing written

    messages.answerNext(true);
    QVERIFY(programEndsAfter([&] { child<QAction>(&main, "RestoreData")->trigger(); }));
    QVERIFY(BackupCommands::ApplyRestoreAtStart());
    QCOMPARE(companies(), QStringList({"顺丰"}));

    {
        const BackupCommands::DailyBackup atStart;
    }
    QVERIFY(QFile::exists(QDir(Backup::AutomaticFolder()).filePath(Backup::ArchiveName(QDate::currentDate()))));
}

void TestBackup::serverDataIsLeftToTheServersOwnBackup()
{
    if (!OnTestServer())
        QSKIP("only data on a server");
    ProgramFolder folder;
    TfrmMain main;
    MessageRecorder messages;
    OpenFileAnswer answer(folder.file("mine.zip"));
    for (const char* command : {"BackUpData", "RestoreData"}) {
        QVERIFY(!programEndsAfter([&] { child<QAction>(&main, command)->trigger(); }));
        QVERIFY2(messages.last().contains("pg_dump"), qPrintable(messages.last()));
    }
    QVERIFY(answer.filtersAsked.isEmpty()); // no archive was asked for
    {
        const BackupCommands::DailyBackup atStart;
    }
    QVERIFY(!QFile::exists(Backup::AutomaticFolder()));
}

void TestBackup::signalEndsTheProgramAndStopsItsBackup_data()
{
    QTest::addColumn<int>("signal");
    QTest::newRow("SIGTERM, as a logout sends it") << int(SIGTERM);
    QTest::newRow("SIGINT, as Ctrl+C sends it") << int(SIGINT);
}

void TestBackup::signalEndsTheProgramAndStopsItsBackup()
{
    SKIP_ON_SERVER();
    QFETCH(int, signal);
    ProgramFolder folder;
    addBulk();
    DM().close();
    plantLeftovers(folder);
    // A killed batch's pages go; another program's file stays.
    writeFile(folder.file("tmp/orvane-waybill-spool-k1ll3d/0a1b2c3d4e5f6"), "%PDF- names, phones, addresses");
    writeFile(folder.file("tmp/orvane-waybill-spool-k1ll3d/spool.lock"), "2147483646\norvane-waybill\n\n");
    writeFile(folder.file("tmp/0a1b2c3d4e5f6"), "another program's");
    // The real program, beside which it keeps its data, with a lock folder of its own.
    QVERIFY(QFile::copy(ORVANE_PROGRAM, folder.file("orvane-waybill")));
    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("XDG_RUNTIME_DIR", folder.path());
    environment.insert("TMPDIR", folder.file("tmp"));
    program.setProcessEnvironment(environment);
    program.start(folder.file("orvane-waybill"));
    // The start has removed the leftovers and begun the day's backup.
    QTRY_COMPARE_WITH_TIMEOUT(entries(folder.file("Data"), "backup-??????").filter("k1ll3d"), QStringList(), 20000);
    QTRY_COMPARE_WITH_TIMEOUT(entries(folder.file("tmp")), QStringList("0a1b2c3d4e5f6"), 20000);
    QTRY_COMPARE_WITH_TIMEOUT(entries(folder.file("Data"), "backup-??????").size(), 1, 20000);
    ::kill(program.processId(), signal);
    QVERIFY(program.waitForFinished(10000));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 0);
    // No work folder, no log: the database was closed. No archive, whole or partial, but the user's.
    QCOMPARE(entries(folder.file("Data")), QStringList({"backup", "db.sqlite3"}));
    QCOMPARE(entries(folder.file("Data/backup")), QStringList("mine.zip.part"));
}

void TestBackup::runningBackupIsLeftAloneAndASignalStopsIt()
{
    SKIP_ON_SERVER();
    ProgramFolder folder;
    TfrmMain main;
    addCompany("顺丰");
    Backup::WriteArchive(folder.file("small.zip"));
    addBulk();
    plantLeftovers(folder);
    const SignalExit signalExit;
    // While the backup before a restore runs: a start of another copy on the same data, then a logout.
    QStringList during;
    std::thread other([&] {
        const QDeadlineTimer deadline(10000);
        while (entries(folder.file("Data"), "backup-??????").size() < 2 && !deadline.hasExpired())
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        Backup::RemoveLeftovers();
        during = entries(folder.file("Data"), "backup-??????") + entries(folder.file("Data/backup"), "Orvane*");
        ::kill(::getpid(), SIGTERM);
    });
    MessageRecorder messages(true);
    OpenFileAnswer answer(folder.file("small.zip"));
    child<QAction>(&main, "RestoreData")->trigger();
    other.join();
    // The running backup's folder stays, and so does a partial archive: whose it is cannot be told.
    QVERIFY(during.filter("k1ll3d").isEmpty() && during.contains("Orvane备份-2026-12-01.zip.part"));
    QCOMPARE(messages.shown().size(), 1); // the question, and no failure told
    QVERIFY(!Backup::ApplyPendingRestore());
    Backup::RemoveLeftovers();
    QCOMPARE(entries(folder.file("Data")), QStringList({"backup", "db.sqlite3"}));
    QCOMPARE(entries(folder.file("Data/backup")), QStringList("mine.zip.part"));
}

void TestBackup::signalStopsALongJobAndEndsTheRun_data()
{
    QTest::addColumn<QByteArray>("command");
    QTest::newRow("导入联系人") << QByteArray("ImportContacts");
    QTest::newRow("批量打印") << QByteArray("BatchPrint");
}

void TestBackup::signalStopsALongJobAndEndsTheRun()
{
    QFETCH(QByteArray, command);
    ProgramFolder folder;
    QByteArray csv = "寄件人,电话号码\n";
    for (int i = 0; i < 300000; ++i)
        csv += QStringLiteral("联系人%1,0755-%1\n").arg(i).toUtf8();
    writeFile(folder.file("contacts.csv"), csv);
    CourierStore::createCompany({"顺丰速运", "", "", "", "", ""});
    DM().ExecSql(SqlText("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 300) "
                         "INSERT INTO UE (ENum, EName, SName) SELECT i, '顺丰速运', '收件' || i FROM n"));
    SetPrintOutputFile(folder.file("batch.pdf"));
    const std::unique_ptr<QueryWindow> window(command == "BatchPrint" ? static_cast<QueryWindow*>(new TfrmE_Q)
                                                                      : new TfrmSender_Q);
    window->BitBtn1Click();
    QTimer logout; // a logout while the job is under way, its progress shown
    QObject::connect(&logout, &QTimer::timeout, [&] {
        if (auto* progress = window->findChild<QProgressDialog*>(); progress && progress->value() > 2) {
            logout.stop();
            ::kill(::getpid(), SIGTERM);
        }
    });
    logout.start(0);
    const SignalExit signalExit;
    QObject::connect(&signalExit, &SignalExit::arrived, &SignalExit::endRun);
    MessageRecorder messages;
    OpenFileAnswer answer(folder.file("contacts.csv"));
    QVERIFY(programEndsAfter([&] { child<QAction>(window.get(), command)->trigger(); }));
    SetPrintOutputFile(QString());
    // Only the batch's question shown; nothing of the import kept; as with 取消, the pages out each logged.
    QCOMPARE(messages.shown().size(), command == "BatchPrint" ? 1 : 0);
    QCOMPARE(DM().QueryCount(SqlText("SELECT ID FROM USender")), 0);
    const int logged = DM().QueryCount(SqlText("SELECT ID FROM ULog"));
    QVERIFY2(logged < 300 && (command != "BatchPrint" || PdfText(folder.file("batch.pdf")).count('\f') == logged),
             qPrintable(QString::number(logged)));
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
    SKIP_ON_SERVER();
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
