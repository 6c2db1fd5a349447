// The layer over Qt Widgets: limited edit boxes.
#include "TestSupport.h"

#include "Controls.h"

#include <QClipboard>
#include <QGuiApplication>

class TestUi : public QObject {
    Q_OBJECT
private slots:
    void pasteIsCutAtAWholeCharacter_data();
    void pasteIsCutAtAWholeCharacter();
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

ORVANE_TEST_MAIN(TestUi)
#include "tst_ui.moc"
