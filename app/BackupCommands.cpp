#include "BackupCommands.h"

#include "Backup.h"
#include "Guard.h"
#include "Messages.h"
#include "Modal.h"

#include <QApplication>
#include <QDate>
#include <QDir>
#include <QThread>

namespace {

const QString Filter = QStringLiteral("备份文件 (*.zip)");

QString native(const QString& path) { return QDir::toNativeSeparators(path); }

// Copying a large database takes a moment; the pointer says the program is at it.
template <class F> auto Busy(F&& work)
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    struct Restore {
        ~Restore() { QApplication::restoreOverrideCursor(); }
    } restore;
    return work();
}

} // namespace

namespace BackupCommands {

void BackUpData(QWidget* parent)
{
    const QString archive = AskSaveFileName(parent, Filter, Backup::ArchiveName(QDate::currentDate()));
    if (archive.isEmpty())
        return;
    Busy([&] { Backup::WriteArchive(archive); });
    ShowMessage(parent, QStringLiteral("数据已备份到 %1").arg(native(archive)));
}

void RestoreData(QWidget* parent, const std::function<void()>& endProgram)
{
    const QString archive = AskOpenFileName(parent, Filter);
    if (archive.isEmpty())
        return;
    // The archive is unpacked and checked before the question: one that cannot be
    // restored is refused here, and nothing has been touched.
    auto stage = Busy([&] { return std::make_unique<Backup::RestoreStage>(archive); });
    const QString question =
        QStringLiteral("确定要用备份文件 %1 中的数据替换现在的数据吗？\n\n"
                       "替换之前，现在的数据会先自动备份到 %2。\n恢复后本软件将关闭，再次启动时使用恢复的数据。")
            .arg(native(archive), native(stage->safetyBackupPath()));
    if (!AskQuestion(parent, QStringLiteral("恢复数据"), question, false))
        return;
    const QString safety = Busy([&] { return stage->commit(); });
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
          try {
              Backup::WriteDailyBackup();
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
