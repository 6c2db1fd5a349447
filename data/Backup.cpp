#include "Backup.h"

#include "DM.h"
#include "Schema.h"
#include "SqliteHandle.h"
#include "Unit1.h"
#include "ZipArchive.h"

#include <QDateTime>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QRegularExpression>
#include <QSet>
#include <QStorageInfo>
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
const QString PreRestorePrefix = QStringLiteral("恢复前备份-");
// The names of the two kinds of automatic backup; they sort by their dates.
const QRegularExpression DailyName(QRegularExpression::anchoredPattern(QRegularExpression::escape(DailyPrefix) +
                                                                       QStringLiteral("\\d{4}-\\d{2}-\\d{2}\\.zip")));
const QRegularExpression PreRestoreName(QRegularExpression::anchoredPattern(
    QRegularExpression::escape(PreRestorePrefix) + QStringLiteral("\\d{4}-\\d{2}-\\d{2}-\\d{6}\\.zip")));
// A backup's work folder in Data/, and the lock that says its writer still runs.
const QString WorkFolderPattern = QStringLiteral("backup-XXXXXX");
const QString WorkLock = QStringLiteral("writer.lock");
const QString PartialSuffix = QStringLiteral(".part");
// As long as a statement waits for another program that holds the database.
constexpr int BusyWaitMs = 5000;
// Pages copied between two looks at the stop flag: 4 MB at SQLite's usual page size.
constexpr int PagesPerStep = 1024;
// Room left on the disk after a restore has unpacked, for the backup it takes first and
// for the database to grow.
constexpr quint64 SpaceMargin = quint64(64) << 20;

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

// SQLite's online backup, every step inside the one read transaction the source holds
// open, so the copy is the database as one commit left it even while others write, and
// the steps leave room to stop. It reads through a connection of its own, which sees every
// committed write of the program's connection, so that the daily backup can run beside
// the windows.
void copyLiveDatabase(const QString& target, const Backup::StopFlag& stop)
{
    try {
        SqliteHandle source = openSqlite(liveDatabase(), SQLITE_OPEN_READWRITE);
        sqlite3_busy_timeout(source.get(), BusyWaitMs);
        column(source.get(), "BEGIN");
        column(source.get(), "SELECT count(*) FROM sqlite_master");
        SqliteHandle copy = openSqlite(target, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
        // A scratch file until the archive is whole: each step need not reach the disk.
        column(copy.get(), "PRAGMA synchronous=OFF");
        sqlite3_backup* backup = sqlite3_backup_init(copy.get(), "main", source.get(), "main");
        if (!backup)
            throw AppError(QString::fromUtf8(sqlite3_errmsg(copy.get())));
        const QDeadlineTimer deadline(BusyWaitMs);
        int rc = SQLITE_OK;
        while (!stop && (rc == SQLITE_OK || ((rc == SQLITE_BUSY || rc == SQLITE_LOCKED) && !deadline.hasExpired()))) {
            if (rc != SQLITE_OK)
                sqlite3_sleep(50);
            rc = sqlite3_backup_step(backup, PagesPerStep);
        }
        sqlite3_backup_finish(backup);
        if (stop)
            throw Backup::Stopped();
        if (rc != SQLITE_DONE)
            throw AppError(QString::fromUtf8(sqlite3_errstr(rc)));
        // The copy carries the live file's WAL mode; one self-contained file travels better.
        column(copy.get(), "PRAGMA journal_mode=DELETE");
    } catch (const Backup::Stopped&) {
        throw;
    } catch (const AppError& error) {
        // SQLite's words are for the log; the user is told what to do.
        qWarning("Copying the database for a backup failed: %s", error.what());
        throw AppError(QStringLiteral("无法复制数据库到 %1：数据库被另一个程序占用太久，或者磁盘已满、无法写入。"
                                      "请稍后再试一次；磁盘已满时请先腾出空间。")
                           .arg(native(target)));
    }
}

// Unpacks one entry of a restore's archive into `target`, no more than `limit` bytes;
// every failure refuses the restore.
void extract(ZipReader& zip, const ZipReader::Entry& entry, quint64 limit, const QString& archive,
             const QString& target)
{
    QFile out(target);
    if (!out.open(QIODevice::WriteOnly))
        refuse(archive, QStringLiteral("解开时无法写入 %1（%2）。").arg(native(target), out.errorString()));
    const ZipReader::Status status =
        zip.read(entry, limit, [&](const char* data, qsizetype size) { return out.write(data, size) == size; });
    if (status == ZipReader::Status::Stopped || !out.flush())
        refuse(archive, QStringLiteral("解开时无法写入 %1（%2）。").arg(native(target), out.errorString()));
    if (status != ZipReader::Status::Ok)
        refuse(archive, notABackup());
}

bool isControl(QChar c) { return c.category() == QChar::Other_Control; }

// A name that could land outside the folder it is unpacked into, on any system.
bool isUnsafeName(const QString& name)
{
    static const QRegularExpression drive(QStringLiteral("^[A-Za-z]:"));
    const QStringList parts = name.split(QLatin1Char('/'));
    return name.isEmpty() || name.startsWith(QLatin1Char('/')) || name.contains(QLatin1Char('\\')) ||
           drive.match(name).hasMatch() || parts.contains(QStringLiteral("..")) ||
           parts.contains(QStringLiteral(".")) || std::any_of(name.cbegin(), name.cend(), isControl);
}

// What a restore does with one entry of an archive.
enum class EntryUse { Database, Picture, Folder, LeftOut };

EntryUse useOf(const ZipReader::Entry& entry, QString* why)
{
    const QString& name = entry.name;
    if (isUnsafeName(name)) {
        *why = QStringLiteral("名称不安全");
        return EntryUse::LeftOut;
    }
    if (name == DatabaseEntry)
        return EntryUse::Database;
    if (name.endsWith(QLatin1Char('/')))
        return EntryUse::Folder;
    if (name.startsWith(ImagePrefix) && !name.mid(ImagePrefix.size()).contains(QLatin1Char('/'))) {
        if (entry.size <= Backup::PictureLimit)
            return EntryUse::Picture;
        *why = QStringLiteral("图片超过 %1 MB").arg(Backup::PictureLimit >> 20);
        return EntryUse::LeftOut;
    }
    *why = QStringLiteral("不是本软件的数据");
    return EntryUse::LeftOut;
}

// The unpacked database must open, pass SQLite's own check, and be this program's data in
// this or an older version, with that version's tables and columns.
void checkDatabase(const QString& archive, const QString& path)
{
    const QString damaged = QStringLiteral("其中的数据库已经损坏，或者不是数据库文件。");
    QStringList integrity;
    try {
        integrity = column(openSqlite(path, SQLITE_OPEN_READWRITE).get(), "PRAGMA integrity_check");
    } catch (const AppError&) {
        // SQLite's own words would not help here: the file cannot be used either way.
        refuse(archive, damaged);
    }
    if (integrity != QStringList{QStringLiteral("ok")})
        refuse(archive, QStringLiteral("其中的数据库已经损坏（完整性检查未通过）。"));
    switch (Schema::inspect(path).verdict) {
    case Schema::FileCheck::Ours:
    case Schema::FileCheck::Older:
        return;
    case Schema::FileCheck::Newer:
        refuse(archive, QStringLiteral("它由更新版本的软件创建。请先安装新版本的本软件，再恢复这个备份。"));
    case Schema::FileCheck::Missing:
    case Schema::FileCheck::Unreadable:
        refuse(archive, damaged);
    case Schema::FileCheck::Empty:
    case Schema::FileCheck::Foreign:
        break;
    }
    refuse(archive, QStringLiteral("其中的数据库不是本软件的数据。"));
}

// Deletes the oldest of one kind of automatic backup beyond `kept`, `written` never
// among them, whatever its date says against the others'.
void prune(const QRegularExpression& kind, int kept, const QString& written)
{
    const QDir folder(Backup::AutomaticFolder());
    QStringList older;
    for (const QString& name : folder.entryList(QDir::Files, QDir::Name))
        if (kind.match(name).hasMatch() && name != QFileInfo(written).fileName())
            older << name;
    while (older.size() > kept - 1)
        QFile::remove(folder.filePath(older.takeFirst()));
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

void WriteArchive(const QString& archivePath, const StopFlag& stop)
{
    // The database copy waits in the data folder: the temporary folder may be too small.
    QTemporaryDir work(QDir(dataFolder()).filePath(WorkFolderPattern));
    if (!work.isValid())
        failWrite(archivePath, work.errorString());
    QLockFile writing(work.filePath(WorkLock));
    if (!writing.tryLock(0))
        failWrite(archivePath, QStringLiteral("无法锁定 %1").arg(native(work.path())));
    const QString copy = work.filePath(DatabaseEntry);
    copyLiveDatabase(copy, stop);

    const QString partial = archivePath + PartialSuffix;
    try {
        ZipWriter zip(partial);
        const auto keepGoing = [&] { return !stop; };
        bool written = zip.addFile(DatabaseEntry, copy, ZipWriter::Method::Deflate, keepGoing);
        // Pictures are JPEG already: deflating them again costs time and saves nothing.
        const QFileInfoList pictures = QDir(imageFolder()).entryInfoList(QDir::Files | QDir::Hidden, QDir::Name);
        for (const QFileInfo& picture : pictures)
            written = written && zip.addFile(ImagePrefix + picture.fileName(), picture.filePath(),
                                             ZipWriter::Method::Store, keepGoing);
        if (stop)
            throw Stopped();
        if (!written || !zip.finish())
            failWrite(archivePath, zip.errorString());
        if (!replaceFile(partial, archivePath))
            failWrite(archivePath, QString::fromLocal8Bit(std::strerror(errno)));
    } catch (...) {
        QFile::remove(partial);
        throw;
    }
}

QString WriteDailyBackup(const QDate& today, const StopFlag& stop)
{
    const QDir folder(AutomaticFolder());
    if (!QDir().mkpath(folder.path()))
        failWrite(folder.path(), QStringLiteral("无法创建文件夹"));
    const QString target = folder.filePath(ArchiveName(today));
    if (QFile::exists(target))
        return {};
    WriteArchive(target, stop);
    prune(DailyName, DailyKept, target);
    return target;
}

void RemoveLeftovers()
{
    const QDir data(dataFolder());
    bool writing = false;
    const QString pattern = QString(WorkFolderPattern).replace(QLatin1Char('X'), QLatin1Char('?'));
    for (const QString& name : data.entryList({pattern}, QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot)) {
        const QDir work(data.filePath(name));
        // A writer that died holds no lock any more: QLockFile sees its process is gone.
        QLockFile lock(work.filePath(WorkLock));
        lock.setStaleLockTime(0);
        if (lock.tryLock(0)) {
            lock.unlock();
            removeTree(work.path());
        } else {
            writing = true;
        }
    }
    // Which partial archive is a live writer's cannot be told: leave them all for now.
    if (writing)
        return;
    const QDir automatic(AutomaticFolder());
    for (const QString& name : automatic.entryList({QStringLiteral("*") + PartialSuffix}, QDir::Files | QDir::Hidden)) {
        const QString archive = name.chopped(PartialSuffix.size());
        if (DailyName.match(archive).hasMatch() || PreRestoreName.match(archive).hasMatch())
            QFile::remove(automatic.filePath(name));
    }
}

RestoreStage::RestoreStage(const QString& archivePath)
    : m_safetyBackup(QDir(AutomaticFolder())
                         .filePath(PreRestorePrefix +
                                   QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd-HHmmss")) +
                                   QStringLiteral(".zip")))
{
    const QDir stage(stagePath());
    removeTree(stage.path());
    try {
        ZipReader zip(archivePath);
        if (!zip.isOpen())
            refuse(archivePath, notABackup());
        const ZipReader::Entry* database = nullptr;
        QList<const ZipReader::Entry*> pictures;
        QSet<QString> taken;
        for (const ZipReader::Entry& entry : zip.entries()) {
            QString why = QStringLiteral("重复的名称");
            const EntryUse use = useOf(entry, &why);
            if (use == EntryUse::Folder)
                continue;
            if (use == EntryUse::LeftOut || taken.contains(entry.name)) {
                QString shown = entry.name;
                std::replace_if(shown.begin(), shown.end(), isControl, QLatin1Char('?'));
                m_leftOut << QStringLiteral("%1（%2）").arg(shown, why);
                continue;
            }
            taken.insert(entry.name);
            if (use == EntryUse::Database)
                database = &entry;
            else
                pictures << &entry;
        }
        if (!database)
            refuse(archivePath, notABackup());

        // Sizes as the archive records them, which no entry can pass when unpacked: all
        // must fit before anything is written.
        const QStorageInfo disk(dataFolder());
        const quint64 available = quint64(std::max<qint64>(0, disk.bytesAvailable()));
        quint64 needed = SpaceMargin;
        const auto add = [&](quint64 size) {
            needed = size > std::numeric_limits<quint64>::max() - needed ? std::numeric_limits<quint64>::max()
                                                                         : needed + size;
        };
        add(database->size);
        for (const ZipReader::Entry* picture : pictures)
            add(picture->size);
        if (disk.isValid() && needed > available)
            refuse(archivePath,
                   QStringLiteral("解开它需要 %1 MB 磁盘空间，而 %2 所在的磁盘只有 %3 MB 可用。"
                                  "请先腾出磁盘空间，再恢复。")
                       .arg(QString::number(needed >> 20), native(dataFolder()), QString::number(available >> 20)));

        if (!QDir().mkpath(stage.filePath(QStringLiteral("Image"))))
            refuse(archivePath, QStringLiteral("无法在 %1 解开它。").arg(native(stage.path())));
        const quint64 databaseLimit = disk.isValid() ? available - SpaceMargin : std::numeric_limits<quint64>::max();
        extract(zip, *database, databaseLimit, archivePath, stage.filePath(DatabaseEntry));
        for (const ZipReader::Entry* picture : pictures)
            extract(zip, *picture, PictureLimit, archivePath, stage.filePath(picture->name));
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

QString RestoreStage::commit(const StopFlag& stop)
{
    if (!QDir().mkpath(AutomaticFolder()))
        failWrite(AutomaticFolder(), QStringLiteral("无法创建文件夹"));
    WriteArchive(m_safetyBackup, stop);
    prune(PreRestoreName, PreRestoreKept, m_safetyBackup);
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
