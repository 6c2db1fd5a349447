#pragma once

#include <QLineEdit>
#include <QPushButton>
#include <QStyle>

class QLabel;
class QGroupBox;
class QCheckBox;
class QRadioButton;
class TypingLimit;

// The window font of the program: Arial at a pixel height, so a layout is the same
// whatever the screen's DPI setting.
QFont AppFont(int pixelSize = 11, bool bold = false);

// A single-line edit box with a length limit in characters or in bytes of GBK text,
// and optionally a password box that shows every character as "@".
class LimitedEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit LimitedEdit(QWidget* parent = nullptr);
    // A paste past either limit is cut at it, at a whole character.
    void setCharLimit(int characters);
    void setGbkByteLimit(int bytes);
    void setAtPassword();

private:
    TypingLimit* typingLimit();
    TypingLimit* m_typingLimit = nullptr;
};

// A dialog-like top-level window of fixed size with only a close box.
void SetupFixedWindow(QWidget* window, const QString& caption, int width, int height);
// Centres a window over another (the main window), or on the screen when there is none.
void CentreOn(QWidget* window, QWidget* over);

// Controls placed at their pixel positions, named by their given names.
QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text, int left, int top);
LimitedEdit* MakeEdit(QWidget* parent, const char* name, int left, int top, int width, int charLimit = 0);
QPushButton* MakeButton(QWidget* parent, const char* name, const QString& caption, const QRect& geometry,
                        QStyle::StandardPixmap icon = QStyle::SP_CustomBase);
QGroupBox* MakeGroup(QWidget* parent, const char* name, const QString& title, const QRect& geometry);
QCheckBox* MakeCheck(QWidget* parent, const char* name, const QString& text, int left, int top);
QRadioButton* MakeRadio(QWidget* parent, const char* name, const QString& text, int left, int top);
