#include "Application.h"

#include "Controls.h"
#include "DM.h"
#include "Guard.h"
#include "Unit1.h"

#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace {

// Qt formats the dates it shows (a file dialog's) by the locale these variables name, as
// the application object reads them. LC_ALL would hide LC_TIME: its value goes to each of
// the other parts instead, which keep meaning what the machine set.
int& withChineseDates(int& argc)
{
    const QByteArray all = qgetenv("LC_ALL");
    if (!all.isEmpty()) {
        for (const char* part : {"LC_CTYPE", "LC_NUMERIC", "LC_COLLATE", "LC_MONETARY", "LC_MESSAGES", "LC_PAPER",
                                 "LC_NAME", "LC_ADDRESS", "LC_TELEPHONE", "LC_MEASUREMENT", "LC_IDENTIFICATION"})
            qputenv(part, all);
        qunsetenv("LC_ALL");
    }
    qputenv("LC_TIME", "zh_CN.UTF-8");
    return argc;
}

// Texts of Qt's that its Chinese catalogue leaves in English: a folder's kind in the file
// dialog, say.
class MissingQtTexts : public QTranslator {
public:
    using QTranslator::QTranslator;
    bool isEmpty() const override { return false; }
    QString translate(const char* context, const char* sourceText, const char*, int) const override
    {
        if (qstrcmp(context, "QAbstractFileIconProvider") != 0)
            return {};
        static const QHash<QByteArray, QString> texts = {{"Folder", QStringLiteral("文件夹")},
                                                         {"Drive", QStringLiteral("驱动器")},
                                                         {"Shortcut", QStringLiteral("快捷方式")},
                                                         {"Alias", QStringLiteral("替身")}};
        return texts.value(sourceText);
    }
};

} // namespace

OrvaneApplication::OrvaneApplication(int& argc, char** argv) : QApplication(withChineseDates(argc), argv)
{
    setApplicationName(QStringLiteral("orvane-waybill"));
    // No display name: the platform would append it to every window's caption.
    setApplicationVersion(Unit1::VersionText);
    // Matches the installed menu entry, so a desktop shows its icon for the windows.
    setDesktopFileName(QStringLiteral("orvane-waybill"));
    LoadQtTranslations(this);
    UseProgramFonts();
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
    // Names of types a file comes from the MIME database, in the default locale's language.
    QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China));
    // Asked last, after Qt's own catalogue.
    app->installTranslator(new MissingQtTexts(app));
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

void UseProgramFonts()
{
    // Taken before the program's font replaces the desktop's, with every font the desktop
    // set for a kind of widget.
    QFont caption = QApplication::font("QMdiSubWindowTitleBar");
    caption.setBold(true);
    QApplication::setFont(AppFont());
    QApplication::setFont(caption, "QMdiSubWindowTitleBar");
}

bool OpenDatabaseAtStart()
{
    // A server that cannot be used, a damaged setting, or a file on a network share, is told
    // by the login window, whose 数据库设置 leads to another: the program must not end before
    // the user can get there.
    if (DM().isServer() || !DM().setting().fault.isEmpty() || !DM().networkShare().isEmpty())
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
