#pragma once

#include <QString>
#include <functional>

class QDialog;
class QWidget;

// Showing a window modally and asking for a file go through these seams, so tests can
// run a dialog's handlers without blocking and see what was opened with which values.
using ModalHandler = std::function<int(QDialog*)>;
ModalHandler setModalHandler(ModalHandler handler);
int ShowModal(QDialog* dialog);

// Returns the chosen file, or an empty text when the user cancelled.
using OpenFileHandler = std::function<QString(QWidget* parent, const QString& filter)>;
OpenFileHandler setOpenFileHandler(OpenFileHandler handler);
QString AskOpenFileName(QWidget* parent, const QString& filter);
