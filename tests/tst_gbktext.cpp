#include "GbkText.h"

#include <QtTest>

class TestGbkText : public QObject {
    Q_OBJECT

private slots:
    void outsideGbk_data();
    void outsideGbk();
    void encodesGbk();
    void decodes();
    void storedCodeIsCut();
};

void TestGbkText::outsideGbk_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("gbk");
    QTest::addColumn<QString>("code");

    const QByteArray zhang("\xD5\xC5"), san("\xC8\xFD"), placeholder("\xA1\xFE");
    QTest::newRow("plain") << QString::fromUtf8("张三") << zhang + san << "ZS";
    QTest::newRow("emoji") << QString::fromUtf8("张😀三") << zhang + placeholder + san << "Z?S";
    QTest::newRow("ext B ideograph") << QString::fromUtf8("𠀀三") << placeholder + san << "?S";
    QTest::newRow("ext A ideograph") << QString::fromUtf8("㐀三") << placeholder + san << "?S";
    QTest::newRow("keycap one") << QString::fromUtf8("1\uFE0F\u20E3") << QByteArray("1") + placeholder + placeholder
                                << "1??";
    QTest::newRow("only outside") << QString::fromUtf8("😀😀") << placeholder + placeholder << "??";
    QTest::newRow("lone surrogate") << QString(QChar(0xD83D)) << placeholder << "?";
}

// A character GBK lacks must stay one uncoded double-byte character: it may add "?", never a digit or
// letter, and counts as two bytes against an edit box's limit.
void TestGbkText::outsideGbk()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, gbk);
    QFETCH(QString, code);
    QCOMPARE(toGbk(text), gbk);
    QCOMPARE(gbkByteLength(text), gbk.size());
    QCOMPARE(pinyinCodeOf(text), code);
}

void TestGbkText::encodesGbk()
{
    QCOMPARE(toGbk(QString()), QByteArray());
    QCOMPARE(gbkByteLength(QString::fromUtf8("abc")), 3);
    QCOMPARE(gbkByteLength(QString::fromUtf8("北京市 3号")), 10);
    QCOMPARE(toGbk(QString::fromUtf8("ＡⅫ、α")), QByteArray("\xA3\xC1\xA2\xFC\xA1\xA2\xA6\xC1"));
    QCOMPARE(pinyinCodeOf(QString::fromUtf8("中国邮政 EMS")), QString("ZGYZEMS"));
    QCOMPARE(pinyinCodeOf(QString::fromUtf8("Ⅻ号、ＡＢｃ α射线")), QString("12H?ABcASX"));
}

void TestGbkText::decodes()
{
    const QString text = QString::fromUtf8("吕女士, 3号楼①ＡＢ〓");
    QCOMPARE(fromGbk(toGbk(text)), text);
    QCOMPARE(fromGbk(QByteArray("a\xFF"
                                "b")),
             QString::fromUtf8("a\uFFFDb"));
    QCOMPARE(fromGbk(QByteArray("\xD5\xC5\xB0")), QString::fromUtf8("张\uFFFD"));
}

void TestGbkText::storedCodeIsCut()
{
    QCOMPARE(pinyinCodeOf(QString::fromUtf8("张").repeated(300)), QString(255, QLatin1Char('Z')));
}

QTEST_APPLESS_MAIN(TestGbkText)
#include "tst_gbktext.moc"
