#pragma once

#include <QObject>
#include <functional>
#include <stdexcept>

class QWidget;

// Shows a failure in the general error box, titled with the application title. After the
// message that the user logged in is gone (UserGone), runs what OnUserGone set.
void ReportError(QWidget* parent, const std::exception& error);
// What follows a UserGone message: the main window sends the user back to the login.
void OnUserGone(std::function<void()> handler);

// Runs one user command: a failure (a statement, a picture, the printer) stops the
// command, is shown in the error box, and the program goes on. An event override wraps
// its body in it too, so no failure unwinds through Qt's event dispatch:
//     void showEvent(QShowEvent* event) override { Guarded(this, [&] { ... }); }
template <class F> void Guarded(QWidget* parent, F&& command)
{
    try {
        command();
    } catch (const std::exception& error) {
        ReportError(parent, error);
    } catch (...) {
        ReportError(parent, std::runtime_error("unknown error"));
    }
}

// Connects a signal to a command run under Guarded, so no exception ever crosses
// Qt's event loop. The command takes no arguments: it reads the controls it needs.
template <class Sender, class Signal, class Context, class F>
QMetaObject::Connection OnSignal(Sender* sender, Signal signal, Context* context, F command)
{
    return QObject::connect(sender, signal, context, [context, command]() { Guarded(context, command); });
}
