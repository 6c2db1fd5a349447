// The layer over Qt Widgets: limited edit boxes, modal windows and messages, Qt's own
// texts and window captions.
#include "TestSupport.h"

#include "Controls.h"
#include "Unit1.h"

#include <QApplication>
#include <QClipboard>
#include <QFileDialog>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QWindow>

#ifdef ORVANE_HAVE_XCB
#include <xcb/xcb.h>

#include <cstdlib>
#endif

class TestUi : public QObject {
    Q_OBJECT
private slots:
    void pasteIsCutAtAWholeCharacter_data();
    void pasteIsCutAtAWholeCharacter();
    void closingReturnsActivationToTheOpener_data();
    void closingReturnsActivationToTheOpener();
    void qtOwnTextsAreChinese();
    void captionIsTheGivenText();
};

namespace {

// The caption the window system shows: the X server's window name under xcb.
QString shownCaption(QWidget* window)
{
#ifdef ORVANE_HAVE_XCB
    if (QGuiApplication::platformName() == QLatin1String("xcb")) {
        xcb_connection_t* x = qApp->nativeInterface<QNativeInterface::QX11Application>()->connection();
        xcb_intern_atom_reply_t* atom = xcb_intern_atom_reply(x, xcb_intern_atom(x, 0, 12, "_NET_WM_NAME"), nullptr);
        xcb_get_property_reply_t* name = xcb_get_property_reply(
            x, xcb_get_property(x, 0, window->winId(), atom->atom, XCB_GET_PROPERTY_TYPE_ANY, 0, 1024), nullptr);
        const QString text = QString::fromUtf8(static_cast<const char*>(xcb_get_property_value(name)),
                                               xcb_get_property_value_length(name));
        std::free(atom);
        std::free(name);
        return text;
    }
#endif
    return window->windowHandle()->title();
}

} // namespace

void TestUi::pasteIsCutAtAWholeCharacter_data()
{
    QTest::addColumn<int>("bytes"); // GBK byte limit, 0: none
    QTest::addColumn<int>("characters");
    QTest::addColumn<QString>("before");
    QTest::addColumn<int>("cursor");
    QTest::addColumn<QString>("pasted"); // the start of a 32,767-character paste
    QTest::addColumn<QString>("after");

    QTest::newRow("bytes: emoji one byte short") << 6 << 0 << "" << 0 << "a中中😀"
                                                 << "a中中";
    QTest::newRow("bytes: emoji fits exactly") << 7 << 0 << "" << 0 << "a中中😀"
                                               << "a中中😀";
    QTest::newRow("bytes: Chinese one byte short") << 4 << 0 << "" << 0 << "abc中"
                                                   << "abc";
    QTest::newRow("bytes: euro sign counts one") << 3 << 0 << "" << 0 << "€€€€"
                                                 << "€€€";
    QTest::newRow("bytes: into the middle") << 7 << 0 << "左右" << 1 << "😀中"
                                            << "左😀右";
    QTest::newRow("bytes: box already full") << 4 << 0 << "左右" << 2 << "a"
                                             << "左右";
    QTest::newRow("characters: emoji not split") << 0 << 5 << "" << 0 << "abcd😀"
                                                 << "abcd";
    QTest::newRow("characters: into the middle") << 0 << 4 << "ab" << 1 << "c😀"
                                                 << "acb";
}

void TestUi::pasteIsCutAtAWholeCharacter()
{
    QFETCH(int, bytes);
    QFETCH(int, characters);
    QFETCH(QString, before);
    QFETCH(int, cursor);
    QFETCH(QString, pasted);
    QFETCH(QString, after);
    LimitedEdit edit;
    if (bytes > 0)
        edit.setGbkByteLimit(bytes);
    if (characters > 0)
        edit.setCharLimit(characters);
    edit.show();
    edit.setText(before);
    edit.setCursorPosition(cursor);
    QGuiApplication::clipboard()->setText(pasted + QString(32767 - pasted.size(), QLatin1Char('x')));
    edit.paste();
    QCOMPARE(edit.text(), after);
    // The cursor stands after what was pasted.
    QCOMPARE(edit.cursorPosition(), after.size() - (before.size() - cursor));
}

void TestUi::closingReturnsActivationToTheOpener_data()
{
    QTest::addColumn<QString>("shown");
    QTest::newRow("message") << "message";
    QTest::newRow("question") << "question";
    QTest::newRow("modal window") << "window";
    QTest::newRow("message, then its window closes") << "window saying something";
}

void TestUi::closingReturnsActivationToTheOpener()
{
    QFETCH(QString, shown);
    QMainWindow opener;
    opener.resize(400, 300);
    opener.show();
    opener.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&opener));
    // A user answering each message box as it comes up.
    QTimer answerer;
    connect(&answerer, &QTimer::timeout, [] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
            QTest::keyClick(box, Qt::Key_Escape);
    });
    answerer.start(10);

    if (shown == "message") {
        ShowMessage(&opener, "快递公司 信息 保存成功！");
    } else if (shown == "question") {
        AskQuestion(&opener, "删除", "确认要删除吗？该删除将不可恢复！", false);
    } else {
        auto* window = new QDialog(&opener);
        window->setAttribute(Qt::WA_DeleteOnClose);
        QTimer::singleShot(0, window, [window, shown] {
            if (shown == "window saying something")
                ShowMessage(window, "快递公司 信息 保存成功！");
            window->accept();
        });
        ShowModal(window);
    }
    QTRY_VERIFY(opener.isActiveWindow());
}

void TestUi::qtOwnTextsAreChinese()
{
    QMessageBox box;
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
    QCOMPARE(box.button(QMessageBox::Yes)->text(), QString("是(&Y)"));
    QCOMPARE(box.button(QMessageBox::No)->text(), QString("否(&N)"));

    QFileDialog files(nullptr, QString(), QString(), "图片 (*.jpg)");
    files.setOption(QFileDialog::DontUseNativeDialog);
    QCOMPARE(files.windowTitle(), QString("打开"));
    QCOMPARE(child<QLabel>(&files, "lookInLabel")->text(), QString("查找范围："));
}

void TestUi::captionIsTheGivenText()
{
    QDialog dialog;
    SetupFixedWindow(&dialog, "快递公司录入", 300, 200);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QCOMPARE(dialog.windowTitle(), QString("快递公司录入"));
    QCOMPARE(dialog.windowHandle()->title(), QString("快递公司录入"));
    QCOMPARE(shownCaption(&dialog), QString("快递公司录入"));

    // A child window maximised in the main window, whose menu bar then holds the child's
    // buttons: the program's name appears once.
    QMainWindow main;
    main.setWindowTitle(Unit1::AppTitle);
    main.menuBar()->addMenu("文件【&F】");
    auto* area = new QMdiArea(&main);
    main.setCentralWidget(area);
    main.resize(600, 400);
    main.show();
    auto* query = new QWidget;
    query->setWindowTitle("快递公司查询");
    area->addSubWindow(query)->showMaximized();
    QVERIFY(QTest::qWaitForWindowExposed(&main));
    QTRY_VERIFY(main.windowTitle().contains("快递公司查询"));
    QCOMPARE(shownCaption(&main).count(Unit1::AppTitle), 1);
}

ORVANE_TEST_MAIN(TestUi)
#include "tst_ui.moc"
