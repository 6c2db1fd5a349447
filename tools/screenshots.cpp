// Photographs the program's windows for the user guide. Each window opens offscreen over
// sample data in a temporary program folder and is saved as <folder>/<name>.png.
//   orvane-screenshots <folder> [name ...]
// A window is one line in shotList(); windows still being written are taken when their
// header exists.
#include "About.h"
#include "CPass.h"
#include "Calib.h"
#include "Com.h"
#include "Com_Q.h"
#include "CompanyPicture.h"
#include "Controls.h"
#include "CourierStore.h"
#include "DM.h"
#include "Database.h"
#include "Login.h"
#include "Main.h"
#include "Messages.h"
#include "Modal.h"
#include "P1.h"
#include "P2.h"
#include "P3.h"
#include "Unit1.h"
#include "User.h"

#if __has_include("ContactStore.h")
#include "ContactStore.h"
#define HAVE_CONTACT_STORE 1
#endif
#if __has_include("Sender.h") && __has_include("Sender_Q.h")
#include "Sender.h"
#include "Sender_Q.h"
#define HAVE_SENDER 1
#endif
#if __has_include("Addressee_Q.h")
#include "Addressee_Q.h"
#define HAVE_ADDRESSEE 1
#endif
#if __has_include("E_In.h") && __has_include("E_Q.h")
#include "E_In.h"
#include "E_Q.h"
#define HAVE_WAYBILLS 1
#endif

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMdiArea>
#include <QPainter>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTextStream>
#include <functional>

namespace {

const QString Company = QStringLiteral("顺丰速运");

struct Shot {
    QString className;
    QString file;
    std::function<QWidget*(TfrmMain* main)> open; // the window, shown and ready to grab
};

template <class Window> Window* showDialog(TfrmMain* main, const std::function<void(Window&)>& setUp = {})
{
    auto* window = new Window(main);
    window->setAttribute(Qt::WA_DeleteOnClose);
    if (setUp)
        setUp(*window);
    window->show();
    return window;
}

void setText(QWidget* window, const char* name, const QString& text)
{
    if (auto* edit = window->findChild<QLineEdit*>(QLatin1String(name)))
        edit->setText(text);
}

void click(QWidget* window, const char* name)
{
    if (auto* button = window->findChild<QAbstractButton*>(QLatin1String(name)))
        button->click();
}

// A query window on its own, after a query with an optional text in its first box.
template <class Window> QWidget* showQuery(const QString& firstBox = QString())
{
    auto* window = new Window(nullptr);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->resize(900, 460);
    window->show();
    if (!firstBox.isEmpty())
        setText(window, "Edit1", firstBox);
    click(window, "BitBtn1");
    return window;
}

QList<Shot> shotList()
{
    QList<Shot> shots = {
        {"TfrmLogin", "login",
         [](TfrmMain* main) {
             auto* login = new TfrmLogin(main);
             login->setAttribute(Qt::WA_DeleteOnClose);
             login->show();
             return login;
         }},
        {"TfrmDatabase", "database",
         [](TfrmMain* main) {
             return showDialog<TfrmDatabase>(main, [](TfrmDatabase& w) {
                 click(&w, "serverChoice");
                 setText(&w, "hostEdit", "192.168.1.10");
                 setText(&w, "databaseEdit", "shop");
                 setText(&w, "userEdit", "counter");
             });
         }},
        {"TfrmMain", "main",
         [](TfrmMain* main) {
             main->show();
             return main;
         }},
        {"TfrmCom", "company-entry",
         [](TfrmMain* main) {
             return showDialog<TfrmCom>(main, [](TfrmCom& w) {
                 const QStringList texts = {
                     "中通快递", "王经理", "0755-26880000", "13900000000", "深圳市南山区科技园", "每天 17:00 上门收件"};
                 for (int i = 0; i < texts.size(); ++i)
                     w.edit(i + 1)->setText(texts[i]);
             });
         }},
        {"TfrmCom_Q", "company-query", [](TfrmMain*) { return showQuery<TfrmCom_Q>(); }},
        {"TfrmP1", "print-items",
         [](TfrmMain* main) { return showDialog<TfrmP1>(main, [](TfrmP1& w) { w.CompanyName = Company; }); }},
        {"TfrmP2", "designer",
         [](TfrmMain* main) { return showDialog<TfrmP2>(main, [](TfrmP2& w) { w.CompanyName = Company; }); }},
        {"TfrmP3", "print",
         [](TfrmMain* main) {
             return showDialog<TfrmP3>(main, [](TfrmP3& w) {
                 w.CompanyName = Company;
                 w.WaybillId = QStringLiteral("0");
             });
         }},
        {"TfrmCalib", "calibration",
         [](TfrmMain* main) { return showDialog<TfrmCalib>(main, [](TfrmCalib& w) { w.CompanyName = Company; }); }},
        {"TfrmCPass", "password", [](TfrmMain* main) { return showDialog<TfrmCPass>(main); }},
        {"TfrmUser", "users", [](TfrmMain* main) { return showDialog<TfrmUser>(main); }},
        {"TfrmAbout", "about", [](TfrmMain* main) { return showDialog<TfrmAbout>(main); }},
    };
#ifdef HAVE_SENDER
    shots << Shot{"TfrmSender", "sender-entry", [](TfrmMain* main) { return showDialog<TfrmSender>(main); }}
          << Shot{"TfrmSender_Q", "sender-query", [](TfrmMain*) { return showQuery<TfrmSender_Q>("zs"); }};
#endif
#ifdef HAVE_ADDRESSEE
    // The recipient entry is the sender entry's twin; the guide shows only one of them.
    shots << Shot{"TfrmAddressee_Q", "addressee-query", [](TfrmMain*) { return showQuery<TfrmAddressee_Q>(); }};
#endif
#ifdef HAVE_WAYBILLS
    shots << Shot{"TfrmE_In", "waybill-entry", [](TfrmMain* main) { return showDialog<TfrmE_In>(main); }}
          << Shot{"TfrmE_Q", "waybill-query", [](TfrmMain*) { return showQuery<TfrmE_Q>(); }};
#endif
    return shots;
}

// A scanned blank waybill: ruled boxes with their printed titles, as on the paper form.
QImage blankWaybill()
{
    QImage image(860, 480, QImage::Format_RGB32);
    image.fill(QColor(0xfb, 0xf8, 0xf0));
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor ink(0xc0, 0x30, 0x30);
    painter.setPen(QPen(ink, 2));
    painter.drawRect(10, 10, 840, 460);
    painter.drawLine(430, 10, 430, 400);
    painter.drawLine(10, 400, 850, 400);
    QFont font(QStringLiteral("WenQuanYi Micro Hei"));
    font.setPixelSize(14);
    painter.setFont(font);
    const char* const titles[] = {"姓名", "电话", "单位名称", "地址", "邮编"};
    for (int side = 0; side < 2; ++side) {
        const int left = 10 + side * 420;
        painter.drawText(left + 12, 34, QString::fromUtf8(side == 0 ? "寄件人 FROM" : "收件人 TO"));
        for (int row = 0; row < 5; ++row) {
            const int top = 50 + row * 70;
            painter.drawLine(left, top, left + 420, top);
            painter.drawText(left + 12, top + 22, QString::fromUtf8(titles[row]));
        }
    }
    painter.drawText(22, 434, QStringLiteral("快递物品"));
    painter.drawText(452, 434, QStringLiteral("寄件日期"));
    // Scanned at 96 dpi, as the file says: the designer shows it at its true size.
    image.setDotsPerMeterX(3780);
    image.setDotsPerMeterY(3780);
    return image;
}

Record recordOf(const FieldTable& fields, const QMap<QString, QString>& byColumn)
{
    Record record;
    for (const FieldDef& field : fields)
        record << byColumn.value(field.column);
    return record;
}

void addSampleData()
{
    CourierStore::createCompany(
        recordOf(CourierStore::CompanyFields(), {{"theName", Company}, {"thePro", "李经理"}, {"thePhone", "95338"}}));
    CourierStore::createCompany(
        recordOf(CourierStore::CompanyFields(), {{"theName", "圆通速递"}, {"thePhone", "95554"}}));
    blankWaybill().save(CompanyPicturePath(Company), "JPG", 85);
    // The items laid out on the form's boxes, as after a finished layout.
    QList<CourierStore::ItemPosition> positions;
    for (int side = 0; side < 2; ++side) {
        const QString prefix = QLatin1String(side == 0 ? "JP" : "SP");
        const int left = 95 + side * 420;
        const int places[][3] = {{1, 0, 70},  {2, 0, 140},   {3, 110, 140}, {5, 220, 140}, {4, 0, 210},
                                 {6, 0, 268}, {7, 110, 268}, {8, 220, 268}, {9, 0, 298},   {10, 0, 350}};
        for (const auto& place : places)
            positions.append(
                {prefix + QStringLiteral("%1").arg(place[0], 2, 10, QLatin1Char('0')), left + place[1], place[2]});
    }
    positions.append({"KP01", 95, 410});
    positions.append({"KP02", 95, 440});
    positions.append({"KP03", 205, 440});
    positions.append({"KP04", 315, 440});
    positions.append({"KP05", 540, 420});
    CourierStore::savePositions(Company, positions);
    DM().ExecSql(SqlText("INSERT INTO SUser (theName, thePass, Remark) VALUES ('张三', '', '仓库发货')"));
#ifdef HAVE_CONTACT_STORE
    const QList<QMap<QString, QString>> people = {
        {{"theName", "张三"},
         {"thePhone", "0755-26881234"},
         {"theDept", "深圳市华强电子有限公司"},
         {"theA1", "广东省"},
         {"theA2", "深圳市"},
         {"theA3", "福田区"},
         {"theAdd", "华强北路 1002 号"}},
        {{"theName", "张山"},
         {"theMob", "13800138000"},
         {"theDept", "张山五金店"},
         {"theA1", "广东省"},
         {"theA2", "东莞市"},
         {"theAdd", "长安镇振安路 18 号"}},
        {{"theName", "李四"},
         {"thePhone", "010-62751234"},
         {"theDept", "北京图书馆"},
         {"theA1", "北京市"},
         {"theAdd", "海淀区中关村大街 27 号"}},
    };
    for (const auto& person : people) {
        ContactStore::insert(SenderKind, recordOf(ContactStore::Fields(SenderKind), person));
        ContactStore::insert(AddresseeKind, recordOf(ContactStore::Fields(AddresseeKind), person));
    }
#endif
    DM().ExecSql(SqlText("INSERT INTO UE (JName, JDept, SName, SDept, EName, ENum, myDate, UName, theDel) VALUES "
                         "('张三', '深圳市华强电子有限公司', '李四', '北京图书馆', ?, 'SF1001', '2024-05-06', "
                         "'admin', '否')",
                         {Company}));
}

// The window's own picture under a plain title bar, as a desktop would frame it.
QImage framed(QWidget* window)
{
    const QPixmap inside = window->grab();
    const int bar = 26;
    QImage image(inside.width() + 2, inside.height() + bar + 1, QImage::Format_RGB32);
    image.fill(QColor(0x3a, 0x6e, 0xa5));
    QPainter painter(&image);
    painter.drawPixmap(1, bar, inside);
    painter.setPen(Qt::white);
    painter.setFont(AppFont(12, true));
    painter.drawText(QRect(10, 0, image.width() - 40, bar), Qt::AlignVCenter | Qt::AlignLeft, window->windowTitle());
    painter.drawText(QRect(image.width() - 26, 0, 20, bar), Qt::AlignCenter, QStringLiteral("×"));
    return image;
}

} // namespace

int main(int argc, char** argv)
{
    // A screen as large as an office desktop's, so that no window is shrunk to fit.
    QTemporaryDir settings;
    QFile screen(settings.filePath(QStringLiteral("screen.json")));
    if (screen.open(QIODevice::WriteOnly))
        screen.write(R"({"screens": [{"name": "desktop", "x": 0, "y": 0, "width": 1280, "height": 1024,
                         "logicalDpi": 96, "dpr": 1}]})");
    screen.close();
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + screen.fileName().toLocal8Bit());
    QApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);
    const QStringList args = app.arguments().mid(1);
    if (args.isEmpty()) {
        QTextStream(stderr) << "usage: orvane-screenshots <folder> [name ...]\n";
        return 2;
    }
    const QDir out(args.first());
    const QStringList wanted = args.mid(1);

    // Nothing may wait for an answer: messages go to the terminal, modal windows are not shown.
    setMessageHandler([](const MessageRequest& request) {
        QTextStream(stderr) << "message: " << request.text << '\n';
        return false;
    });
    setModalHandler([](QDialog*) { return int(QDialog::Rejected); });

    QTemporaryDir folder;
    Unit1::setProgramDir(folder.path());
    DM().setProgramDir(folder.path());
    Unit1::setCurrentUserName(QStringLiteral("admin"));
    int failures = 0;
    {
        addSampleData();
        TfrmMain main;
        for (const Shot& shot : shotList()) {
            if (!wanted.isEmpty() && !wanted.contains(shot.file) && !wanted.contains(shot.className))
                continue;
            QWidget* window = shot.open(&main);
            QCoreApplication::processEvents();
            const QString path = out.filePath(shot.file + QStringLiteral(".png"));
            const bool saved = framed(window).save(path, "PNG", 9);
            QTextStream(stdout) << shot.className << " -> " << path << (saved ? "" : "  FAILED") << '\n';
            failures += saved ? 0 : 1;
            if (window != &main)
                window->close();
            main.hide();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        }
    }
    DM().close();
    return failures == 0 ? 0 : 1;
}
