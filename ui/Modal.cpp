#include "Modal.h"

#include "Messages.h"
#include "Unit1.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFileDialog>
#include <QRegularExpression>
#include <QSettings>
#include <QStandardPaths>

namespace {
ModalHandler g_modal;
OpenFileHandler g_openFile;
SaveFileHandler g_saveFile;

// ".xlsx" of "Excel 工作簿 (*.xlsx)": the first pattern's suffix.
QString suffixOf(const QString& filter)
{
    const QRegularExpressionMatch match = QRegularExpression(QStringLiteral("\\*(\\.\\w+)")).match(filter);
    return match.hasMatch() ? match.captured(1) : QString();
}

// The program's own settings beside its data, where a portable copy keeps everything.
QString settingsPath() { return Unit1::settingsFile(); }

QString lastFolderKey(const QString& filter) { return QStringLiteral("LastFolder/") + suffixOf(filter).mid(1); }
} // namespace

ReturnActivation::ReturnActivation(QWidget* owner) : m_opener(owner ? owner->window() : QApplication::activeWindow()) {}

ReturnActivation::~ReturnActivation()
{
    if (m_opener && m_opener->isVisible())
        m_opener->activateWindow();
}

ModalHandler setModalHandler(ModalHandler handler)
{
    ModalHandler previous = std::move(g_modal);
    g_modal = std::move(handler);
    return previous;
}

int ShowModal(QDialog* dialog)
{
    if (g_modal)
        return g_modal(dialog);
    ReturnActivation back(dialog->parentWidget());
    return dialog->exec();
}

OpenFileHandler setOpenFileHandler(OpenFileHandler handler)
{
    OpenFileHandler previous = std::move(g_openFile);
    g_openFile = std::move(handler);
    return previous;
}

QString AskOpenFileName(QWidget* parent, const QString& filter)
{
    if (g_openFile)
        return g_openFile(parent, filter);
    ReturnActivation back(parent);
    return QFileDialog::getOpenFileName(parent, QString(), QString(), filter);
}

SaveFileHandler setSaveFileHandler(SaveFileHandler handler)
{
    SaveFileHandler previous = std::move(g_saveFile);
    g_saveFile = std::move(handler);
    return previous;
}

QString SaveFolder(const QString& filter)
{
    const QString last = QSettings(settingsPath(), QSettings::IniFormat).value(lastFolderKey(filter)).toString();
    if (!last.isEmpty() && QFileInfo(last).isDir())
        return last;
    return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
}

QString AskSaveFileName(QWidget* parent, const QString& filter, const QString& suggestedName)
{
    const QString suffix = suffixOf(filter);
    QString start = QDir(SaveFolder(filter)).filePath(suggestedName);
    for (;;) {
        QString path;
        if (g_saveFile) {
            path = g_saveFile(parent, filter, suggestedName);
        } else {
            ReturnActivation back(parent);
            // The question is ours, asked once the suffix is on.
            path = QFileDialog::getSaveFileName(parent, QString(), start, filter, nullptr,
                                                QFileDialog::DontConfirmOverwrite);
        }
        if (path.isEmpty())
            return path;
        if (!suffix.isEmpty() && !path.endsWith(suffix, Qt::CaseInsensitive))
            path += suffix;
        const QFileInfo file(path);
        if (!file.exists() ||
            AskQuestion(parent, QStringLiteral("确认另存为"),
                        QStringLiteral("%1 已经存在。\n要替换它吗？").arg(QDir::toNativeSeparators(path)), false)) {
            QSettings(settingsPath(), QSettings::IniFormat).setValue(lastFolderKey(filter), file.absolutePath());
            return path;
        }
        start = path;
    }
}
