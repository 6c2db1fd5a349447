#pragma once

#include <functional>
#include <memory>

class QThread;
class QWidget;

// The window side of backups: the file dialogs, the restore question and the messages
// around data/Backup, for the file menu and for the start of the program.
namespace BackupCommands {

// "备份数据": the data as it is now into an archive the user names.
void BackUpData(QWidget* parent);
// "恢复数据": after the question, keeps the current data as an automatic backup, marks
// the archive's data for the next start, and calls `endProgram`. The question names what
// the archive holds that will not be restored. A signal that ends the program stops
// either command's backup, which then leaves nothing behind.
void RestoreData(QWidget* parent, const std::function<void()>& endProgram);

// Before the database opens: finishes a restore the last run prepared. False (after
// saying why) when the program cannot go on.
bool ApplyRestoreAtStart();
// After the database opens: the day's automatic backup, on a thread of its own so that
// a large database does not hold up the login. A failure is told and the program goes
// on. The program waits for it when it ends, so no archive is cut off, unless a signal
// ends it: then the backup stops and removes what it wrote.
class DailyBackup {
public:
    DailyBackup();
    ~DailyBackup();
    DailyBackup(const DailyBackup&) = delete;
    DailyBackup& operator=(const DailyBackup&) = delete;

private:
    std::unique_ptr<QThread> m_thread;
};

} // namespace BackupCommands
