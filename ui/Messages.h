#pragma once

#include <QString>
#include <functional>

class QWidget;

// Every message box of the program goes through here, so that tests can answer them
// with a scripted answerer instead of blocking on a modal box.
enum class MessageKind { Information, Question, Warning, Error };

struct MessageRequest {
    MessageKind kind;
    QString caption;
    QString text;
    bool defaultYes = false; // questions only
};

// Returns true for OK/Yes. The previous handler is returned so a test can restore it.
using MessageHandler = std::function<bool(const MessageRequest&)>;
MessageHandler setMessageHandler(MessageHandler handler);

// Plain message: the application title as caption, the text, one OK button.
void ShowMessage(QWidget* parent, const QString& text);
// Question with its own caption, a question icon and Yes/No.
bool AskQuestion(QWidget* parent, const QString& caption, const QString& text, bool defaultYes);
void ShowWarning(QWidget* parent, const QString& caption, const QString& text);
// The general error box: the application title as caption.
void ShowError(QWidget* parent, const QString& text);
