#include "Unit1.h"

#include <QCoreApplication>
#include <QDir>

namespace {
QString g_currentUserName;
QString g_programDir;
} // namespace

namespace Unit1 {

QString currentUserName() { return g_currentUserName; }
void setCurrentUserName(const QString& name) { g_currentUserName = name; }

QString programDir()
{
    if (g_programDir.isEmpty())
        return QCoreApplication::applicationDirPath();
    return g_programDir;
}

void setProgramDir(const QString& dir) { g_programDir = QDir::cleanPath(dir); }

} // namespace Unit1
