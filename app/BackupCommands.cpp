#include "BackupCommands.h"

#include "Backup.h"
#include "DM.h"
#include "Guard.h"
#include "Messages.h"
#include "Modal.h"
#include "SignalExit.h"

#include <QApplication>
#include <QDate>
#include <QDir>
#include <QThread>

namespace {

const QString Filter = QStringLiteral("备份文件 (*.zip)");

QString native(const QString& path) { return QDir::toNativeSeparators(path); }

// The longest list of left-out entries a question shows.
constexpr int LeftOutShown = 10;

// Copying a large database takes a moment; the pointer says the program is at it. False
// when a signal stopped the work: the program is ending, with nothing to tell.
template <class F> bool Busy(F&& work)
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    struct Restore {
        ~Restore() { QApplication::restoreOverrideCursor(); }
    } restore;
    try {
        work();
    } catch (const Backup::Stopped&) {
        return false;
    }
    return true;
}

QString leftOutText(const QStringList& leftOut)
{
    if (leftOut.isEmpty())
        return {};
    QString text =
        QStringLiteral("\n\n备份文件中的以下内容不会恢复：\n") + leftOut.mid(0, LeftOutShown).join(QLatin1Char('\n'));
    if (leftOut.size() > LeftOutShown)
        text += QStringLiteral("\n……另有 %1 项").arg(leftOut.size() - LeftOutShown);
    return text;
}

// The archive holds the database file and the pictures beside it; a server's data is the
// server's to back up.
bool onServer(QWidget* parent)
{
    if (!DM().isServer())
        return false;
    ShowMessage(parent, QStringLiteral("数据保存在%1。\n这里的备份和恢复只用于本机数据文件；服务器上的数据请由"
                                       "服务器管理员用 pg_dump 备份、用 pg_restore 恢复。")
                            .arg(DM().setting().describe()));
    return true;
}

} // namespace

namespace BackupCommands {

void BackUpData(QWidget* parent)
{
    if (onServer(parent))
        return;
    const QString archive = AskSaveFileName(parent, Filter, Backup::ArchiveName(QDate::currentDate()));
    if (archive.isEmpty())
        return;
    if (!Busy([&] { Backup::WriteArchive(archive, SignalExit::requested()); }))
        return;
    ShowMessage(parent, QStringLiteral("数据已备份到 %1").arg(native(archive)));
}

void RestoreData(QWidget* parent, const std::function<void()>& endProgram)
{
    if (onServer(parent))
        return;
    const QString archive = AskOpenFileName(parent, Filter);
    if (archive.isEmpty())
        return;
    // The archive is unpacked and checked before the question: one that cannot be
    // restored is refused here, and nothing has been touched.
    std::unique_ptr<Backup::RestoreStage> stage;
    Busy([&] { stage = std::make_unique<Backup::RestoreStage>(archive); });
    const QString question =
        QStringLiteral("确定要用备份文件 %1 中的数据替换现在的数据吗？\n\n"
                       "替换之前，现在的数据会先自动备份到 %2。\n恢复后本软件将关闭，再次启动时使用恢复的数据。%3")
            .arg(native(archive), native(stage->safetyBackupPath()), leftOutText(stage->leftOut()));
    if (!AskQuestion(parent, QStringLiteral("恢复数据"), question, false))
        return;
    QString safety;
    if (!Busy([&] { safety = stage->commit(SignalExit::requested()); }))
        return;
    ShowMessage(
        parent,
        QStringLiteral("现在的数据已备份到 %1。\n本软件现在关闭，再次启动时使用恢复的数据。").arg(native(safety)));
    endProgram();
}

bool ApplyRestoreAtStart()
{
    try {
        if (Backup::ApplyPendingRestore())
            ShowMessage(nullptr, QStringLiteral("数据已从备份恢复。"));
        return true;
    } catch (const std::exception& error) {
        ReportError(nullptr, error);
    }
    return false;
}

DailyBackup::DailyBackup()
    : m_thread(QThread::create([] {
          if (DM().isServer())
              return;
          try {
              Backup::WriteDailyBackup(QDate::currentDate(), SignalExit::requested());
          } catch (const Backup::Stopped&) {
              // The program is ending; the next start tries again.
          } catch (const std::exception& error) {
              const QString reason = QString::fromUtf8(error.what());
              // Told by the window thread, once it is back in its event loop.
              QMetaObject::invokeMethod(
                  qApp,
                  [reason] {
                      ShowWarning(
                          nullptr, QStringLiteral("自动备份"),
                          QStringLiteral("今天的自动备份没有完成：\n%1\n\n数据本身没有受影响，下次启动时将再试一次。")
                              .arg(reason));
                  },
                  Qt::QueuedConnection);
          }
      }))
{
    m_thread->start();
}

DailyBackup::~DailyBackup() { m_thread->wait(); }

} // namespace BackupCommands
