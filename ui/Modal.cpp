#include "Modal.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFileDialog>
#include <QRegularExpression>
#include <QStandardPaths>

namespace {
ModalHandler g_modal;
OpenFileHandler g_openFile;
SaveFileHandler g_saveFile;
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

QString AskSaveFileName(QWidget* parent, const QString& filter, const QString& suggestedName)
{
    if (g_saveFile)
        return g_saveFile(parent, filter, suggestedName);
    ReturnActivation back(parent);
    const QDir documents(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation));
    QFileDialog dialog(parent, QString(), documents.filePath(suggestedName), filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    // The filter's extension joins a name typed without it before the dialog asks about
    // replacing a file, so typing "x" cannot silently replace "x.zip".
    static const QRegularExpression extension(QStringLiteral("\\*\\.(\\w+)"));
    dialog.setDefaultSuffix(extension.match(filter).captured(1));
    return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
}
