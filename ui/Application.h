#pragma once

#include <QApplication>

// The application object: its event dispatch is the last line that catches a failure,
// shows it in the error box and lets the program go on.
class OrvaneApplication : public QApplication {
public:
    OrvaneApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};
