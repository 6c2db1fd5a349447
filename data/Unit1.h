#pragma once

#include <QString>

// Process-wide values shared by every window.
namespace Unit1 {

inline const QString AppTitle = QStringLiteral("Orvane快递单打印软件");
inline const QString VersionText = QStringLiteral("1.0.13.1020");
inline const QString InitialPassword = QStringLiteral("804615");

// Set once by a successful login and never changed for the rest of the run.
QString currentUserName();
void setCurrentUserName(const QString& name);

// The folder that holds Data/ and Image/: the running program's folder unless a
// test points it elsewhere.
QString programDir();
void setProgramDir(const QString& dir);

} // namespace Unit1
