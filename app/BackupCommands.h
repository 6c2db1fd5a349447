#pragma once

#include <functional>

class QWidget;

// The window side of backups: the file dialogs, the restore question and the messages
// around data/Backup, for the file menu and for the start of the program.
namespace BackupCommands {

// "备份数据": the data as it is now into an archive the user names.
void BackUpData(QWidget* parent);
// "恢复数据": after the question, keeps the current data as an automatic backup, marks
// the archive's data for the next start, and calls `endProgram`.
void RestoreData(QWidget* parent, const std::function<void()>& endProgram);

// Before the database opens: finishes a restore the last run prepared. False (after
// saying why) when the program cannot go on.
bool ApplyRestoreAtStart();
// After the database opens: the day's automatic backup. A failure is told and the
// program goes on.
void DailyBackupAtStart();

} // namespace BackupCommands
