#include "WebLinks.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>

namespace WebLinks {

namespace {
UrlOpener g_opener;
} // namespace

QUrl HelpPageUrl()
{
    // Beside the program as built, or in the shared data folder of an installed copy.
    const QDir programDir(QCoreApplication::applicationDirPath());
    QString page = programDir.filePath(QStringLiteral("help/index.html"));
    const QString installed = QDir::cleanPath(programDir.filePath(QStringLiteral("../share/orvane-waybill/help/index.html")));
    if (!QFileInfo::exists(page) && QFileInfo::exists(installed))
        page = installed;
    return QUrl::fromLocalFile(page);
}

void OpenWebPage(const QUrl& url)
{
    if (g_opener)
        g_opener(url);
    else
        QDesktopServices::openUrl(url);
}

UrlOpener setUrlOpener(UrlOpener opener)
{
    UrlOpener previous = std::move(g_opener);
    g_opener = std::move(opener);
    return previous;
}

} // namespace WebLinks
