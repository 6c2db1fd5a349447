#include "Main.h"
#include "Application.h"
#include "Backup.h"
#include "BackupCommands.h"
#include "DM.h"
#include "Guard.h"
#include "Login.h"
#include "Messages.h"
#include "Printing.h"
#include "SignalExit.h"
#include "SingleInstance.h"
#include "Unit1.h"

#include <QDir>
#include <QFile>
#include <QTimer>
#include <functional>
#include <memory>
#include <optional>

namespace {

// Runs `work` once, in the event loop's turn after `window` is first painted: what the
// user needs first is on the screen before it starts.
void AfterFirstPaint(QWidget* window, std::function<void()> work)
{
    class Watch : public QObject {
    public:
        Watch(QWidget* window, std::function<void()> work) : QObject(window), m_work(std::move(work)) {}
        bool eventFilter(QObject* watched, QEvent* event) override
        {
            if (event->type() == QEvent::Paint) {
                watched->removeEventFilter(this);
                QTimer::singleShot(0, this, [this] {
                    Guarded(nullptr, m_work);
                    deleteLater();
                });
            }
            return false;
        }

    private:
        std::function<void()> m_work;
    };
    window->installEventFilter(new Watch(window, std::move(work)));
}

} // namespace

int main(int argc, char* argv[])
{
    // A print job points TMPDIR at its spool folder while it opens. Set here, before any
    // thread runs, that change only replaces a value, and never moves the environment
    // under a thread reading it.
    if (!qEnvironmentVariableIsSet("TMPDIR"))
        qputenv("TMPDIR", QFile::encodeName(QDir::tempPath()));
    OrvaneApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);
    const SignalExit signalExit;
    // SIGTERM or SIGINT ends the run as closing the main window does; main() then closes
    // the database.
    QObject::connect(&signalExit, &SignalExit::arrived, &app, &SignalExit::endRun);

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
    RemoveSpoolLeftovers();
    // A damaged file is explained before any window; the login list would be empty.
    if (!OpenDatabaseAtStart())
        return 1;
    std::optional<BackupCommands::DailyBackup> dailyBackup;
    int result = 0;
    {
        // The login window shows first. The main window it opens, and the day's backup,
        // which on the day's first start copies the whole database, come right after.
        std::unique_ptr<TfrmMain> main;
        TfrmLogin login(nullptr);
        login.show();
        AfterFirstPaint(&login, [&] {
            main = std::make_unique<TfrmMain>();
            login.setMainWindow(main.get());
            dailyBackup.emplace();
        });
        if (!SignalExit::requested())
            result = app.exec();
    }
    // Every window and its queries are gone before the connection closes.
    DM().close();
    return result;
}
