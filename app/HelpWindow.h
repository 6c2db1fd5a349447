#pragma once

#include <QWidget>

class QPushButton;
class QTextBrowser;
class QUrl;

// The user guide shown inside the program, so that it reads the same on a machine with
// no web browser: help/index.html with its pictures. Links within the guide are followed
// here; addresses on the web go to the desktop's browser.
class HelpWindow : public QWidget {
    Q_OBJECT
public:
    HelpWindow(const QUrl& page, QWidget* owner);

    // Opens the guide, or brings forward the one already open over `owner`. A guide that
    // cannot be found is reported.
    static void ShowGuide(QWidget* owner);

private:
    void followLink(const QUrl& url);

    QTextBrowser* TextBrowser1;
    QPushButton* Button1;
    QPushButton* Button2;
    QPushButton* Button3;
};
