#pragma once

#include <QApplication>

// The application object: Qt's own texts in Chinese, and an event dispatch that is the
// last line catching a failure, showing it in the error box and letting the program go on.
class OrvaneApplication : public QApplication {
public:
    OrvaneApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

// Qt's own buttons and dialogs (确定, 是, 否, the file dialog) in Simplified Chinese,
// whatever the machine's locale. False when Qt's translation files are not installed.
bool LoadQtTranslations(QCoreApplication* app);

// Menus, message boxes and Qt's dialogs in the program's own font, the one its fixed-size
// windows are laid out for, whatever font the desktop sets; only window captions, which the
// window manager draws, keep the desktop's, and message boxes are made wide enough for them.
void UseProgramFonts();

// Opens the database before any window, so that a file the program cannot use is
// found first. On failure shows why and what the user can do, and asks the
// application to quit; false then means the program is to end. A server is left to the
// login window, which says why it cannot be used and offers 数据库设置.
bool OpenDatabaseAtStart();
