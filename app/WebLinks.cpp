#include "WebLinks.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>

namespace WebLinks {

namespace {
UrlOpener g_opener;
} // namespace

QUrl HelpPageUrl()
{
    return QUrl::fromLocalFile(
        QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("help/index.html")));
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
