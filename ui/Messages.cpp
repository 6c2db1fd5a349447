#include "Messages.h"

#include "Modal.h"
#include "Unit1.h"

#include <QApplication>
#include <QGridLayout>
#include <QMessageBox>

namespace {

// The window manager's icon and buttons beside a caption.
constexpr int TitleBarRoom = 120;

bool showBox(QWidget* parent, const MessageRequest& request)
{
    ReturnActivation back(parent);
    QMessageBox box(parent);
    box.setWindowTitle(request.caption);
    box.setText(request.text);
    // A short message would make a box too narrow for its caption, which the window manager
    // draws in the desktop's title font and cuts: "Orva…软件".
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout())) {
        const int caption =
            QFontMetrics(QApplication::font("QMdiSubWindowTitleBar")).horizontalAdvance(request.caption);
        grid->addItem(new QSpacerItem(caption + TitleBarRoom, 0, QSizePolicy::Minimum, QSizePolicy::Minimum),
                      grid->rowCount(), 0, 1, grid->columnCount());
    }
    switch (request.kind) {
    case MessageKind::Question: {
        box.setIcon(QMessageBox::Question);
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(request.defaultYes ? QMessageBox::Yes : QMessageBox::No);
        box.setEscapeButton(QMessageBox::No);
        return box.exec() == QMessageBox::Yes;
    }
    case MessageKind::Warning:
        box.setIcon(QMessageBox::Warning);
        break;
    case MessageKind::Error:
        box.setIcon(QMessageBox::Critical);
        break;
    case MessageKind::Information:
        break;
    }
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
    return true;
}

MessageHandler g_handler;

bool dispatch(QWidget* parent, const MessageRequest& request)
{
    if (g_handler)
        return g_handler(request);
    if (!parent)
        parent = QApplication::activeWindow();
    return showBox(parent, request);
}

} // namespace

MessageHandler setMessageHandler(MessageHandler handler)
{
    MessageHandler previous = std::move(g_handler);
    g_handler = std::move(handler);
    return previous;
}

void ShowMessage(QWidget* parent, const QString& text)
{
    dispatch(parent, {MessageKind::Information, Unit1::AppTitle, text, false});
}

bool AskQuestion(QWidget* parent, const QString& caption, const QString& text, bool defaultYes)
{
    return dispatch(parent, {MessageKind::Question, caption, text, defaultYes});
}

void ShowWarning(QWidget* parent, const QString& caption, const QString& text)
{
    dispatch(parent, {MessageKind::Warning, caption, text, false});
}

void ShowError(QWidget* parent, const QString& text)
{
    dispatch(parent, {MessageKind::Error, Unit1::AppTitle, text, false});
}
