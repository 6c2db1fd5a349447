#include "Modal.h"

#include <QApplication>
#include <QDialog>
#include <QFileDialog>

namespace {
ModalHandler g_modal;
OpenFileHandler g_openFile;
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
