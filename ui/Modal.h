#pragma once

#include <QDialog>
#include <QPointer>
#include <QString>
#include <functional>

class QWidget;

// Gives activation back, once a modal window or message closes, to the window that
// opened it: the owner's window, or the window active before. Left alone, some window
// managers leave no window active, and keyboard shortcuts do nothing until a click.
class ReturnActivation {
public:
    explicit ReturnActivation(QWidget* owner);
    ~ReturnActivation();
    ReturnActivation(const ReturnActivation&) = delete;
    ReturnActivation& operator=(const ReturnActivation&) = delete;

private:
    QPointer<QWidget> m_opener;
};

// Showing a window modally and asking for a file go through these seams, so tests can
// run a dialog's handlers without blocking and see what was opened with which values.
using ModalHandler = std::function<int(QDialog*)>;
ModalHandler setModalHandler(ModalHandler handler);
int ShowModal(QDialog* dialog);

// Returns the chosen file, or an empty text when the user cancelled.
using OpenFileHandler = std::function<QString(QWidget* parent, const QString& filter)>;
OpenFileHandler setOpenFileHandler(OpenFileHandler handler);
QString AskOpenFileName(QWidget* parent, const QString& filter);

// Returns the file to write, or an empty text when the user cancelled. The dialog opens
// on `suggestedName` in SaveFolder(filter). A name typed without the filter's suffix
// ("*.xlsx") gets it before anything is asked, so the question before replacing a file
// names the file that would be replaced; a "no" opens the dialog again.
using SaveFileHandler = std::function<QString(QWidget* parent, const QString& filter, const QString& suggestedName)>;
SaveFileHandler setSaveFileHandler(SaveFileHandler handler);
QString AskSaveFileName(QWidget* parent, const QString& filter, const QString& suggestedName);
// The folder the last file of the filter's kind was saved in, as long as it is there;
// otherwise the user's documents folder.
QString SaveFolder(const QString& filter);

// Creates a window owned by `owner`, lets `setUp` set its public values, and shows it
// modally; the window goes when it is closed.
template <class Window, class SetUp> int OpenModal(QWidget* owner, SetUp&& setUp)
{
    auto* window = new Window(owner);
    window->setAttribute(Qt::WA_DeleteOnClose);
    setUp(*window);
    return ShowModal(window);
}

template <class Window> int OpenModal(QWidget* owner)
{
    return OpenModal<Window>(owner, [](Window&) {});
}
