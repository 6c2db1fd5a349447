#pragma once

#include <QDate>
#include <QString>

// Backups of the program's data: the database and the pictures in Image/, together in
// one .zip that holds db.sqlite3 and Image/<files>. No windows here: the menu commands
// in app/BackupCommands ask the questions and show the messages.
namespace Backup {

// How many daily automatic backups Data/backup/ keeps.
constexpr int DailyKept = 7;

// "Orvane备份-2026-12-07.zip": the name offered for a backup and given to the daily one.
QString ArchiveName(const QDate& date);
// <data folder>/Data/backup: where the automatic backups go.
QString AutomaticFolder();

// Writes the data as it is now into `archivePath`. The database is copied page by page
// inside one read transaction, so the copy is consistent while the program, or another
// program, goes on writing. The archive appears only once complete. Uses a connection
// of its own, never the data module's, so it may run on another thread. Throws AppError.
void WriteArchive(const QString& archivePath);

// At the first start of a day: writes today's backup into AutomaticFolder() and deletes
// the oldest beyond DailyKept. Returns the file written, or an empty text when today's
// backup is already there. May run on another thread. Throws AppError.
QString WriteDailyBackup(const QDate& today = QDate::currentDate());

// A restore in two steps, so that nothing changes until the user has agreed and the
// program has closed its database. The constructor unpacks the archive beside the live
// data and checks it; an archive that is not a readable backup of this program throws
// AppError and leaves everything as it was. commit() first backs up the current data
// into AutomaticFolder(), then marks the unpacked copy for ApplyPendingRestore() at the
// next start. A stage that is not committed is deleted.
class RestoreStage {
public:
    explicit RestoreStage(const QString& archivePath);
    ~RestoreStage();
    RestoreStage(const RestoreStage&) = delete;
    RestoreStage& operator=(const RestoreStage&) = delete;

    // Returns the automatic backup of the data as it was.
    QString commit();
    // The name the automatic backup that commit() writes will have.
    QString safetyBackupPath() const { return m_safetyBackup; }

private:
    QString m_safetyBackup;
    bool m_committed = false;
};

// Before the database is opened: swaps in the data a committed restore left, one
// rename at a time, each step repeatable, so a start cut off half way finishes the
// swap next time and never runs on a half-restored database. Also clears a stage
// that was never committed. True when a restore was applied. Throws AppError.
bool ApplyPendingRestore();

} // namespace Backup
