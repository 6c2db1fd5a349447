#include "Backup.h"

#include "AppError.h"
#include "DM.h"
#include "Schema.h"
#include "SqlText.h"
#include "Unit1.h"
#include "ZipArchive.h"

#include <QDateTime>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>
#include <sqlite3.h>

namespace {

const QString DatabaseEntry = QStringLiteral("db.sqlite3");
const QString ImagePrefix = QStringLiteral("Image/");
const QString DailyPrefix = QStringLiteral("Orvane备份-");
// As long as a statement waits for another program that holds the database.
constexpr int BusyWaitMs = 5000;

QString dataRoot() { return Unit1::programDir(); }
QString dataFolder() { return QDir(dataRoot()).filePath(QStringLiteral("Data")); }
QString imageFolder() { return QDir(dataRoot()).filePath(QStringLiteral("Image")); }
QString liveDatabase() { return QDir(dataFolder()).filePath(DatabaseEntry); }
QString stagePath() { return QDir(dataFolder()).filePath(QStringLiteral("restore-pending.part")); }
QString pendingPath() { return QDir(dataFolder()).filePath(QStringLiteral("restore-pending")); }

QString native(const QString& path) { return QDir::toNativeSeparators(path); }

[[noreturn]] void failWrite(const QString& archive, const QString& reason)
{
    throw AppError(QStringLiteral("无法写入备份文件 %1（%2）。").arg(native(archive), reason));
}

[[noreturn]] void refuse(const QString& archive, const QString& reason)
{
    throw AppError(QStringLiteral("无法从备份文件 %1 恢复：%2\n当前的数据没有任何改动。").arg(native(archive), reason));
}

QString notABackup() { return QStringLiteral("它不是本软件的备份文件，或者已经损坏。"); }

// POSIX rename: replaces the target in one step, where QFile::rename refuses to.
bool replaceFile(const QString& from, const QString& to)
{
    return std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0;
}

struct SqliteCloser {
    void operator()(sqlite3* db) const { sqlite3_close(db); }
};
using SqliteHandle = std::unique_ptr<sqlite3, SqliteCloser>;

SqliteHandle openSqlite(const QString& path, int flags)
{
    sqlite3* db = nullptr;
    const int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &db, flags, nullptr);
    SqliteHandle handle(db);
    if (rc != SQLITE_OK)
        throw AppError(QString::fromUtf8(db ? sqlite3_errmsg(db) : sqlite3_errstr(rc)));
    return handle;
}

// The first column of every row of `sql`; throws AppError with SQLite's text.
QStringList column(sqlite3* db, const char* sql)
{
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &statement, nullptr) != SQLITE_OK)
        throw AppError(QString::fromUtf8(sqlite3_errmsg(db)));
    QStringList values;
    int rc;
    while ((rc = sqlite3_step(statement)) == SQLITE_ROW)
        values << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(statement, 0)));
    sqlite3_finalize(statement);
    if (rc != SQLITE_DONE)
        throw AppError(QString::fromUtf8(sqlite3_errmsg(db)));
    return values;
}

const char* const TablesSql = "SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT LIKE 'sqlite%'";

// SQLite's online backup: every page copied in one step, that is inside one read
// transaction, so the copy is the database as one commit left it even while others write.
// It reads through a connection of its own, which sees every committed write of the
// program's connection, so that the daily backup can run beside the windows.
void copyLiveDatabase(const QString& target)
{
    SqliteHandle source;
    try {
        source = openSqlite(liveDatabase(), SQLITE_OPEN_READWRITE);
    } catch (const AppError& error) {
        throw AppError(QStringLiteral("无法复制数据库（%1）。").arg(error.message()));
    }
    sqlite3_busy_timeout(source.get(), BusyWaitMs);
    SqliteHandle copy = openSqlite(target, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    sqlite3_backup* backup = sqlite3_backup_init(copy.get(), "main", source.get(), "main");
    if (!backup)
        throw AppError(QStringLiteral("无法复制数据库（%1）。").arg(QString::fromUtf8(sqlite3_errmsg(copy.get()))));
    const QDeadlineTimer deadline(BusyWaitMs);
    int rc;
    while ((rc = sqlite3_backup_step(backup, -1)) == SQLITE_BUSY || rc == SQLITE_LOCKED) {
        if (deadline.hasExpired())
            break;
        sqlite3_sleep(50);
    }
    sqlite3_backup_finish(backup);
    if (rc != SQLITE_DONE)
        throw AppError(QStringLiteral("无法复制数据库（%1）。").arg(QString::fromUtf8(sqlite3_errstr(rc))));
    // The copy carries the live file's WAL mode; one self-contained file travels better.
    column(copy.get(), "PRAGMA journal_mode=DELETE");
}

// Unpacks one entry of a restore's archive into `target`; every failure refuses the restore.
void extract(ZipReader& zip, const ZipReader::Entry& entry, const QString& archive, const QString& target)
{
    QFile out(target);
    if (!out.open(QIODevice::WriteOnly))
        refuse(archive, QStringLiteral("解开时无法写入 %1（%2）。").arg(native(target), out.errorString()));
    const ZipReader::Status status = zip.read(entry, std::numeric_limits<quint64>::max(),
                                              [&](const char* data, qsizetype size) {
                                                  return out.write(data, size) == size;
                                              });
    if (status == ZipReader::Status::Stopped || !out.flush())
        refuse(archive, QStringLiteral("解开时无法写入 %1（%2）。").arg(native(target), out.errorString()));
    if (status != ZipReader::Status::Ok)
        refuse(archive, notABackup());
}

// A picture's entry names one file straight in Image/, nothing that climbs out of it.
bool isPlainFileName(const QString& name)
{
    return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..") &&
           !name.contains(QLatin1Char('/')) && !name.contains(QLatin1Char('\\'));
}

QStringList liveTables()
{
    QSqlQuery query = DM().run(SqlText(QString::fromLatin1(TablesSql)));
    QStringList names;
    while (query.next())
        names << query.value(0).toString();
    return names;
}

struct DatabaseFacts {
    QStringList integrity;
    int version = 0;
    QStringList tables;
};

DatabaseFacts readFacts(const QString& path)
{
    SqliteHandle db = openSqlite(path, SQLITE_OPEN_READWRITE);
    DatabaseFacts facts;
    facts.integrity = column(db.get(), "PRAGMA integrity_check");
    facts.version = column(db.get(), "PRAGMA user_version").value(0).toInt();
    facts.tables = column(db.get(), TablesSql);
    return facts;
}

// The unpacked database must open, pass SQLite's own check, and be this program's data
// in a version it reads.
void checkDatabase(const QString& archive, const QString& path)
{
    const QStringList wanted = liveTables();
    DatabaseFacts facts;
    try {
        facts = readFacts(path);
    } catch (const AppError&) {
        // SQLite's own words would not help here: the file cannot be used either way.
        refuse(archive, QStringLiteral("其中的数据库已经损坏，或者不是数据库文件。"));
    }
    if (facts.integrity != QStringList{QStringLiteral("ok")})
        refuse(archive, QStringLiteral("其中的数据库已经损坏（完整性检查未通过）。"));
    if (facts.version > Schema::Version)
        refuse(archive, QStringLiteral("它由更新版本的软件创建。"));
    const QSet<QString> present(facts.tables.cbegin(), facts.tables.cend());
    const bool ours =
        std::all_of(wanted.cbegin(), wanted.cend(), [&](const QString& t) { return present.contains(t); });
    if (facts.version < 1 || !ours)
        refuse(archive, QStringLiteral("其中的数据库不是本软件的数据。"));
}

void removeTree(const QString& path)
{
    if (QFileInfo(path).isDir())
        QDir(path).removeRecursively();
}

} // namespace

namespace Backup {

QString ArchiveName(const QDate& date)
{
    return DailyPrefix + date.toString(QStringLiteral("yyyy-MM-dd")) + QStringLiteral(".zip");
}

QString AutomaticFolder() { return QDir(dataFolder()).filePath(QStringLiteral("backup")); }

void WriteArchive(const QString& archivePath)
{
    // The database copy waits in the data folder: the temporary folder may be too small.
    QTemporaryDir work(QDir(dataFolder()).filePath(QStringLiteral("backup-XXXXXX")));
    if (!work.isValid())
        failWrite(archivePath, work.errorString());
    const QString copy = work.filePath(DatabaseEntry);
    copyLiveDatabase(copy);

    const QString partial = archivePath + QStringLiteral(".part");
    try {
        ZipWriter zip(partial);
        bool written = zip.addFile(DatabaseEntry, copy, ZipWriter::Method::Deflate);
        // Pictures are JPEG already: deflating them again costs time and saves nothing.
        const QFileInfoList pictures = QDir(imageFolder()).entryInfoList(QDir::Files | QDir::Hidden, QDir::Name);
        for (const QFileInfo& picture : pictures)
            written = written && zip.addFile(ImagePrefix + picture.fileName(), picture.filePath(),
                                             ZipWriter::Method::Store);
        if (!written || !zip.finish())
            failWrite(archivePath, zip.errorString());
        if (!replaceFile(partial, archivePath))
            failWrite(archivePath, QString::fromLocal8Bit(std::strerror(errno)));
    } catch (...) {
        QFile::remove(partial);
        throw;
    }
}

QString WriteDailyBackup(const QDate& today)
{
    const QDir folder(AutomaticFolder());
    if (!QDir().mkpath(folder.path()))
        failWrite(folder.path(), QStringLiteral("无法创建文件夹"));
    const QString target = folder.filePath(ArchiveName(today));
    if (QFile::exists(target))
        return {};
    WriteArchive(target);

    // The names sort by their dates; anything else in the folder is left alone.
    static const QRegularExpression daily(QRegularExpression::anchoredPattern(
        QRegularExpression::escape(DailyPrefix) + QStringLiteral("\\d{4}-\\d{2}-\\d{2}\\.zip")));
    QStringList kept;
    for (const QString& name : folder.entryList(QDir::Files, QDir::Name))
        if (daily.match(name).hasMatch())
            kept << name;
    while (kept.size() > DailyKept)
        QFile::remove(folder.filePath(kept.takeFirst()));
    return target;
}

RestoreStage::RestoreStage(const QString& archivePath)
    : m_safetyBackup(
          QDir(AutomaticFolder())
              .filePath(QStringLiteral("恢复前备份-%1.zip")
                            .arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd-HHmmss")))))
{
    DM().open();
    const QDir stage(stagePath());
    removeTree(stage.path());
    try {
        if (!QDir().mkpath(stage.filePath(QStringLiteral("Image"))))
            refuse(archivePath, QStringLiteral("无法在 %1 解开它。").arg(native(stage.path())));
        bool hasDatabase = false;
        ZipReader zip(archivePath);
        if (!zip.isOpen())
            refuse(archivePath, notABackup());
        for (const ZipReader::Entry& entry : zip.entries()) {
            const QString& name = entry.name;
            if (name == DatabaseEntry) {
                extract(zip, entry, archivePath, stage.filePath(DatabaseEntry));
                hasDatabase = true;
            } else if (name.startsWith(ImagePrefix) && name.size() > ImagePrefix.size()) {
                const QString file = name.mid(ImagePrefix.size());
                if (!isPlainFileName(file))
                    refuse(archivePath, notABackup());
                extract(zip, entry, archivePath, stage.filePath(name));
            }
        }
        if (!hasDatabase)
            refuse(archivePath, notABackup());
        checkDatabase(archivePath, stage.filePath(DatabaseEntry));
    } catch (...) {
        removeTree(stage.path());
        throw;
    }
}

RestoreStage::~RestoreStage()
{
    if (!m_committed)
        removeTree(stagePath());
}

QString RestoreStage::commit()
{
    if (!QDir().mkpath(AutomaticFolder()))
        failWrite(AutomaticFolder(), QStringLiteral("无法创建文件夹"));
    WriteArchive(m_safetyBackup);
    removeTree(pendingPath());
    if (!QDir().rename(stagePath(), pendingPath()))
        throw AppError(QStringLiteral("无法把恢复的数据放到 %1。").arg(native(pendingPath())));
    m_committed = true;
    return m_safetyBackup;
}

bool ApplyPendingRestore()
{
    // Nothing may hold the file that is about to be replaced.
    DM().close();
    removeTree(stagePath());
    const QDir pending(pendingPath());
    if (!pending.exists())
        return false;
    const auto fail = [&](const QString& what) {
        throw AppError(QStringLiteral("无法换用恢复的数据：%1\n恢复的数据仍在 %2，下次启动时将再试一次。")
                           .arg(what, native(pending.path())));
    };

    // Each step is undone by nothing and redone by nothing: a step already taken has
    // removed what it moved, so a second run goes on from where the first stopped.
    const QString restoredImages = pending.filePath(QStringLiteral("Image"));
    if (QFileInfo(restoredImages).isDir()) {
        const QString previous = pending.filePath(QStringLiteral("Image.previous"));
        removeTree(previous);
        if (QFileInfo::exists(imageFolder()) && !QDir().rename(imageFolder(), previous))
            fail(QStringLiteral("无法移开图片文件夹 %1。").arg(native(imageFolder())));
        if (!QDir().rename(restoredImages, imageFolder()))
            fail(QStringLiteral("无法放入图片文件夹 %1。").arg(native(imageFolder())));
    }
    const QString restoredDatabase = pending.filePath(DatabaseEntry);
    if (QFileInfo::exists(restoredDatabase)) {
        // The old file's log must not be replayed into the restored one.
        for (const char* suffix : {"-wal", "-shm", "-journal"}) {
            const QString log = liveDatabase() + QLatin1String(suffix);
            if (QFileInfo::exists(log) && !QFile::remove(log))
                fail(QStringLiteral("无法删除 %1。").arg(native(log)));
        }
        if (!replaceFile(restoredDatabase, liveDatabase()))
            fail(QStringLiteral("无法替换 %1（%2）。")
                     .arg(native(liveDatabase()), QString::fromLocal8Bit(std::strerror(errno))));
    }
    removeTree(pending.path());
    return true;
}

} // namespace Backup
