#include "Application.h"

#include "DM.h"
#include "Guard.h"
#include "Unit1.h"

#include <QLibraryInfo>
#include <QTranslator>

OrvaneApplication::OrvaneApplication(int& argc, char** argv) : QApplication(argc, argv)
{
    setApplicationName(QStringLiteral("orvane-waybill"));
    // No display name: the platform would append it to every window's caption.
    setApplicationVersion(Unit1::VersionText);
    // Matches the installed menu entry, so a desktop shows its icon for the windows.
    setDesktopFileName(QStringLiteral("orvane-waybill"));
    LoadQtTranslations(this);
}

bool OrvaneApplication::notify(QObject* receiver, QEvent* event)
{
    // Handlers catch their own failures (Guarded); one that gets here has unwound
    // through Qt's frames, which Qt does not support, so it is worth a warning.
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        qWarning("A failure crossed the event dispatch instead of being caught in its handler: %s", error.what());
        ReportError(nullptr, error);
    } catch (...) {
        qWarning("A failure crossed the event dispatch instead of being caught in its handler");
        ReportError(nullptr, std::runtime_error("unknown error"));
    }
    return false;
}

bool LoadQtTranslations(QCoreApplication* app)
{
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    // qt_zh_CN gathers the catalogues of every Qt module and needs them all;
    // qtbase_zh_CN alone holds what the widgets show.
    for (const char* catalogue : {"qt_zh_CN", "qtbase_zh_CN"}) {
        auto* translator = new QTranslator(app);
        if (translator->load(QLatin1String(catalogue), folder)) {
            app->installTranslator(translator);
            return true;
        }
        delete translator;
    }
    qWarning("Qt's Chinese translations were not found in %s", qPrintable(folder));
    return false;
}

bool OpenDatabaseAtStart()
{
    // A server that cannot be used, or a file on a network share, is told by the login
    // window, whose 数据库设置 leads to another: the program must not end before the user
    // can get there.
    if (DM().isServer() || !DM().networkShare().isEmpty())
        return true;
    try {
        DM().open();
        return true;
    } catch (const std::exception& error) {
        ReportError(nullptr, error);
    }
    QCoreApplication::quit();
    return false;
}
