#include "Unit1.h"

#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>
#include <QTemporaryFile>

namespace {
QString g_currentUserName;
QString g_programDir;
std::atomic<bool> g_endRequested{false};
static_assert(std::atomic<bool>::is_always_lock_free, "a signal handler may touch only a lock-free atomic");

// Tried rather than asked: a folder's permission bits say nothing to root, and root
// may run an installed program too.
bool canCreateFileIn(const QString& folder)
{
    QTemporaryFile probe(QDir(folder).filePath(QStringLiteral(".write-probe-XXXXXX")));
    return probe.open();
}

bool isInstalledCopy(const QString& programFolder)
{
    return QDir(programFolder).exists(QStringLiteral("../share/orvane-waybill"));
}
} // namespace

namespace Unit1 {

QString currentUserName() { return g_currentUserName; }
void setCurrentUserName(const QString& name) { g_currentUserName = name; }

std::atomic<bool>& endRequested() { return g_endRequested; }

QString dataFolderFor(const QString& programFolder)
{
    if (!isInstalledCopy(programFolder) && canCreateFileIn(programFolder))
        return QDir::cleanPath(programFolder);
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
}

QString programDir()
{
    if (g_programDir.isEmpty())
        g_programDir = dataFolderFor(QCoreApplication::applicationDirPath());
    return g_programDir;
}

void setProgramDir(const QString& dir) { g_programDir = QDir::cleanPath(dir); }

QString settingsFile() { return QDir(programDir()).filePath(QStringLiteral("Data/settings.ini")); }

} // namespace Unit1
