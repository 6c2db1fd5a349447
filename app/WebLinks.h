#pragma once

#include <QString>
#include <QUrl>
#include <functional>

// The program's home page, its user guide, and the one way either is opened.
namespace WebLinks {

inline const QString HomePageUrl = QStringLiteral("https://www.orvane.cn/");

// The user guide ships beside the program file: help/index.html.
QUrl HelpPageUrl();

// Opens the address in the desktop's browser. A failure is silent: a missing browser
// is no reason to interrupt the work.
void OpenWebPage(const QUrl& url);

// Tests record the addresses instead of starting a browser; returns the previous opener.
using UrlOpener = std::function<void(const QUrl&)>;
UrlOpener setUrlOpener(UrlOpener opener);

} // namespace WebLinks
