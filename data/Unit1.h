#pragma once

#include <QString>

#include <atomic>

// Process-wide values shared by every window.
namespace Unit1 {

inline const QString AppTitle = QStringLiteral("Orvane快递单打印软件");
inline const QString VersionText = QStringLiteral("1.0.13.1020");
inline const QString InitialPassword = QStringLiteral("804615");

// Set once by a successful login and never changed for the rest of the run.
QString currentUserName();
void setCurrentUserName(const QString& name);

// The folder that holds Data/ and Image/: dataFolderFor() the running program's folder,
// chosen once per run, unless a test points it elsewhere.
QString programDir();
void setProgramDir(const QString& dir);

// Data/settings.ini under programDir(): what the program remembers between runs.
QString settingsFile();

// Beside the program when its folder can be written and is not an installed copy (one
// with share/orvane-waybill next to its bin folder); otherwise the user's data folder,
// since an installed program's folder belongs to the system, not to one user.
QString dataFolderFor(const QString& programFolder);

// Set when the program is asked to end (SIGTERM, SIGINT), inside the signal handler itself:
// long work (an import, a copy to a server, a batch print) polls it between steps and stops
// as its 取消 would, since the event loop that would close its window is not running.
std::atomic<bool>& endRequested();

} // namespace Unit1
