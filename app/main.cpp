#include "Main.h"
#include "Application.h"
#include "BackupCommands.h"
#include "DM.h"
#include "Login.h"
#include "Messages.h"
#include "SingleInstance.h"
#include "Unit1.h"

int main(int argc, char* argv[])
{
    OrvaneApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);

    SingleInstance guard(QStringLiteral("Kestrune"));
    if (!guard.isFirst()) {
        ShowWarning(nullptr, QStringLiteral("警告"), QStringLiteral("Orvane快递单打印软件 已经打开了！"));
        return 0;
    }

    DM().setProgramDir(Unit1::programDir());
    // A restore chosen in the last run replaces the files while nothing has them open.
    if (!BackupCommands::ApplyRestoreAtStart())
        return 1;
    // A damaged file is explained before any window; the login list would be empty.
    if (!OpenDatabaseAtStart())
        return 1;
    const BackupCommands::DailyBackup dailyBackup;
    int result = 0;
    {
        TfrmMain main;
        TfrmLogin login(&main);
        login.show();
        result = app.exec();
    }
    // Every window and its queries are gone before the connection closes.
    DM().close();
    return result;
}
