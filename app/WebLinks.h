#pragma once

#include <QString>
#include <QUrl>
#include <functional>

// The program's home page, where its user guide lies, and the one way a web address is
// opened. The guide itself is shown inside the program (HelpWindow).
namespace WebLinks {

inline const QString HomePageUrl = QStringLiteral("https://www.orvane.cn/");

// The user guide: help/index.html beside the program file, or in the shared data folder
// of an installed copy.
QUrl HelpPageUrl();

// Opens the address in the desktop's browser. A failure is silent: a missing browser
// is no reason to interrupt the work.
void OpenWebPage(const QUrl& url);

// Tests record the addresses instead of starting a browser; returns the previous opener.
using UrlOpener = std::function<void(const QUrl&)>;
UrlOpener setUrlOpener(UrlOpener opener);

} // namespace WebLinks
