#pragma once

#include <QObject>

#include <atomic>

class QSocketNotifier;

// Turns SIGTERM and SIGINT, as a desktop's logout or Ctrl+C in a terminal sends them, into
// an orderly end. requested() is set inside the signal handler itself, so that work which
// holds up the event loop (a backup) sees it at once; arrived() follows from the event
// loop. A second signal ends the program at once, as it would without a handler. One
// object at a time; the handlers it replaced come back when it goes.
class SignalExit : public QObject {
    Q_OBJECT
public:
    explicit SignalExit(QObject* parent = nullptr);
    ~SignalExit() override;
    SignalExit(const SignalExit&) = delete;
    SignalExit& operator=(const SignalExit&) = delete;

    static const std::atomic<bool>& requested();

    // Ends the run as closing the main window does, without its question: the open dialogs
    // close and the event loop ends (or, during the start, never begins). Work running
    // under a dialog (an import, a copy, a batch) has seen requested() and stops on its own.
    static void endRun();

signals:
    void arrived();

private:
    QSocketNotifier* m_notifier = nullptr;
};
