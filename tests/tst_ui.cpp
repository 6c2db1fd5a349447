// The layer over Qt Widgets: limited edit boxes, modal windows and messages.
#include "TestSupport.h"

#include "Controls.h"

#include <QApplication>
#include <QClipboard>
#include <QMainWindow>
#include <QMessageBox>
#include <QTimer>

class TestUi : public QObject {
    Q_OBJECT
private slots:
    void pasteIsCutAtAWholeCharacter_data();
    void pasteIsCutAtAWholeCharacter();
    void closingReturnsActivationToTheOpener_data();
    void closingReturnsActivationToTheOpener();
};

void TestUi::pasteIsCutAtAWholeCharacter_data()
{
    QTest::addColumn<int>("bytes"); // GBK byte limit, 0: none
    QTest::addColumn<int>("characters");
    QTest::addColumn<QString>("before");
    QTest::addColumn<int>("cursor");
    QTest::addColumn<QString>("pasted"); // the start of a 32,767-character paste
    QTest::addColumn<QString>("after");

    QTest::newRow("bytes: emoji one byte short") << 6 << 0 << "" << 0 << "a中中😀" << "a中中";
    QTest::newRow("bytes: emoji fits exactly") << 7 << 0 << "" << 0 << "a中中😀" << "a中中😀";
    QTest::newRow("bytes: Chinese one byte short") << 4 << 0 << "" << 0 << "abc中" << "abc";
    QTest::newRow("bytes: outside GBK counts two") << 3 << 0 << "" << 0 << "a㐀㐀" << "a㐀";
    QTest::newRow("bytes: euro sign counts one") << 3 << 0 << "" << 0 << "€€€€" << "€€€";
    QTest::newRow("bytes: into the middle") << 7 << 0 << "左右" << 1 << "😀中" << "左😀右";
    QTest::newRow("bytes: box already full") << 4 << 0 << "左右" << 2 << "a" << "左右";
    QTest::newRow("characters: emoji not split") << 0 << 5 << "" << 0 << "abcd😀" << "abcd";
    QTest::newRow("characters: emoji kept whole") << 0 << 6 << "" << 0 << "abcd😀" << "abcd😀";
    QTest::newRow("characters: into the middle") << 0 << 4 << "ab" << 1 << "c😀" << "acb";
    QTest::newRow("both limits") << 5 << 7 << "" << 0 << "ab😀😀😀" << "ab😀";
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

ORVANE_TEST_MAIN(TestUi)
#include "tst_ui.moc"
