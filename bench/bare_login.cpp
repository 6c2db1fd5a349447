// The yardstick of bench_startup: a plain Qt dialog with the login window's widgets and
// nothing behind them (no database, no translations, no lock), shown as soon as it is made.
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QTextBrowser>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QDialog dialog;
    dialog.setWindowTitle(QStringLiteral("软件登录"));
    dialog.setFixedSize(300, 270);
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(11);
    dialog.setFont(font);

    auto* banner = new QTextBrowser(&dialog);
    banner->setGeometry(0, 0, 300, 73);
    banner->setFrameShape(QFrame::NoFrame);
    banner->setHtml(QStringLiteral("<body style='margin:0;background:#1f5fa8;color:white;font-family:Arial'>"
                                   "<table width='100%' height='73' cellpadding='8'><tr><td>"
                                   "<span style='font-size:20px;font-weight:bold'>Orvane快递单打印软件</span><br>"
                                   "<span style='font-size:12px'>寄件人、收件人、快递单，一次录入，准确套打</span>"
                                   "</td></tr></table></body>"));
    auto* group = new QGroupBox(QStringLiteral("软件登录"), &dialog);
    group->setGeometry(16, 80, 250, 89);
    (new QLabel(QStringLiteral("用  户  名："), group))->move(15, 24);
    auto* users = new QComboBox(group);
    users->setGeometry(80, 19, 153, 21);
    users->addItem(QStringLiteral("admin"));
    (new QLabel(QStringLiteral("密        码："), group))->move(15, 55);
    auto* password = new QLineEdit(group);
    password->setGeometry(80, 51, 153, 21);
    password->setEchoMode(QLineEdit::Password);
    auto* login =
        new QPushButton(dialog.style()->standardIcon(QStyle::SP_DialogApplyButton), QStringLiteral("登录"), &dialog);
    login->setGeometry(80, 184, 75, 25);
    login->setDefault(true);
    (new QPushButton(QStringLiteral("退出"), &dialog))->setGeometry(174, 184, 75, 25);

    dialog.show();
    return app.exec();
}
