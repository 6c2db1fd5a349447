#include "Main.h"
#include "Application.h"
#include "Backup.h"
#include "BackupCommands.h"
#include "DM.h"
#include "Login.h"
#include "Messages.h"
#include "SignalExit.h"
#include "SingleInstance.h"
#include "Unit1.h"

#include <QDialog>

namespace {

// SIGTERM or SIGINT ends the run as closing the main window does, without its question:
// the open dialogs close, the event loop ends (or, during the start, never begins), and
// main() closes the database.
void EndOnSignal()
{
    while (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
        dialog->done(QDialog::Rejected);
    QCoreApplication::exit(0);
}

} // namespace

int main(int argc, char* argv[])
{
    OrvaneApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);
    const SignalExit signalExit;
    QObject::connect(&signalExit, &SignalExit::arrived, &app, &EndOnSignal);

    SingleInstance guard(QStringLiteral("Kestrune"));
    if (!guard.isFirst()) {
        ShowWarning(nullptr, QStringLiteral("警告"), QStringLiteral("Orvane快递单打印软件 已经打开了！"));
        return 0;
    }

    DM().setProgramDir(Unit1::programDir());
    // A restore chosen in the last run replaces the files while nothing has them open.
    if (!BackupCommands::ApplyRestoreAtStart())
        return 1;
    // Only now, with the single-instance lock held, are such files no running copy's.
    Backup::RemoveLeftovers();
    // A damaged file is explained before any window; the login list would be empty.
    if (!OpenDatabaseAtStart())
        return 1;
    const BackupCommands::DailyBackup dailyBackup;
    int result = 0;
    {
        TfrmMain main;
        TfrmLogin login(&main);
        login.show();
        if (!SignalExit::requested())
            result = app.exec();
    }
    // Every window and its queries are gone before the connection closes.
    DM().close();
    return result;
}
