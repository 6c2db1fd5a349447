#pragma once

#include "AppError.h"

#include <QDate>
#include <QString>
#include <QStringList>

#include <atomic>

// Backups of the program's data: the database and the pictures in Image/, together in
// one .zip that holds db.sqlite3 and Image/<files>. No windows here: the menu commands
// in app/BackupCommands ask the questions and show the messages.
namespace Backup {

// How many daily automatic backups Data/backup/ keeps, and how many taken before a restore.
constexpr int DailyKept = 7;
constexpr int PreRestoreKept = 3;
// The largest picture a restore writes out: a scanned form is a few MB.
constexpr quint64 PictureLimit = quint64(64) << 20;

// What a backup polls to learn that it is to stop; a signal handler may set it. A backup
// that stops removes what it wrote and throws Stopped.
using StopFlag = std::atomic<bool>;
inline const StopFlag NeverStop{false};
class Stopped : public AppError {
public:
    Stopped() : AppError(QStringLiteral("备份已停止。")) {}
};

// "Orvane备份-2026-12-07.zip": the name offered for a backup and given to the daily one.
QString ArchiveName(const QDate& date);
// <data folder>/Data/backup: where the automatic backups go.
QString AutomaticFolder();

// Writes the data as it is now into `archivePath`. The database is copied page by page
// inside one read transaction, so the copy is consistent while the program, or another
// program, goes on writing. The archive appears only once complete. Uses a connection
// of its own, never the data module's, so it may run on another thread. Throws AppError.
void WriteArchive(const QString& archivePath, const StopFlag& stop = NeverStop);

// At the first start of a day: writes today's backup into AutomaticFolder() and deletes
// the oldest beyond DailyKept. Returns the file written, or an empty text when today's
// backup is already there. May run on another thread. Throws AppError.
QString WriteDailyBackup(const QDate& today = QDate::currentDate(), const StopFlag& stop = NeverStop);

// At a start, before any backup: removes what backups cut off by a kill left behind, the
// work folders Data/backup-XXXXXX and the partial archives of the automatic backups. A
// work folder whose writer still runs, another copy of the program on the same data, is
// left alone, and so are the partial archives then.
void RemoveLeftovers();

// A restore in two steps, so that nothing changes until the user has agreed and the
// program has closed its database. The constructor unpacks the archive beside the live
// data and checks it; an archive that is not a readable backup of this program, or whose
// database would not fit on the disk, throws AppError and leaves everything as it was.
// A database of an older version is taken: the next start brings it up to date. Entries
// with an unsafe name, pictures over PictureLimit and anything else not ours are left
// out, and leftOut() names them. commit() first backs up the current data into
// AutomaticFolder(), then marks the unpacked copy for ApplyPendingRestore() at the next
// start. A stage that is not committed is deleted.
class RestoreStage {
public:
    explicit RestoreStage(const QString& archivePath);
    ~RestoreStage();
    RestoreStage(const RestoreStage&) = delete;
    RestoreStage& operator=(const RestoreStage&) = delete;

    // Returns the automatic backup of the data as it was.
    QString commit(const StopFlag& stop = NeverStop);
    // The name the automatic backup that commit() writes will have.
    QString safetyBackupPath() const { return m_safetyBackup; }
    // Each entry of the archive not restored, with why: "名称（原因）".
    const QStringList& leftOut() const { return m_leftOut; }

private:
    QString m_safetyBackup;
    QStringList m_leftOut;
    bool m_committed = false;
};

// Before the database is opened: swaps in the data a committed restore left, one
// rename at a time, each step repeatable, so a start cut off half way finishes the
// swap next time and never runs on a half-restored database. Also clears a stage
// that was never committed. True when a restore was applied. Throws AppError.
bool ApplyPendingRestore();

} // namespace Backup
