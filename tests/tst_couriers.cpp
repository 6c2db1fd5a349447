// Courier company entry, query and print item selection, driven through their windows
// over a real database in a temporary program folder.
#include "TestSupport.h"

#include "Com.h"
#include "Com_Q.h"
#include "CompanyPicture.h"
#include "Controls.h"
#include "CourierStore.h"
#include "DM.h"
#include "DataGrid.h"
#include "P1.h"
#include "Unit1.h"

#include <QCheckBox>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHeaderView>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QSqlQuery>

class TestCouriers : public QObject {
    Q_OBJECT
private slots:
    // Entry
    void newCompanyGetsTheDefaultItemsInCodeOrder();
    void aSaveOverAnotherPcsChangeIsRefused_data();
    void aSaveOverAnotherPcsChangeIsRefused();
    void refusedNameWritesNothing_data();
    void refusedNameWritesNothing();
    void deletedCompanysNameGetsFreshItems();
    void editWithoutRenameKeepsItems();
    void renameReplacesItemsAndLeavesOldPicture();
    void renameOntoLiveNameIsRefused();
    void nameBoxCountsGbkBytesWhenTyping_data();
    void nameBoxCountsGbkBytesWhenTyping();
    void pasteIsCutAtTheLimit_data();
    void pasteIsCutAtTheLimit();
    // Query
    void typingTicksTheBoxAndClearingKeepsIt();
    void noTickListsEveryLiveCompanyNewestFirst();
    void filtersCombineWithAnd();
    void editRefreshesTheOpenerWithItsLastFilter();
    void noMenuBeforeFirstQueryAndCommandsIdleOnEmptyList();
    void deleteAnsweredNoChangesNothing();
    void deleteRemovesPictureAndItemsAndMarksRow();
    void pictureFileStaysInsideImageFolder_data();
    void pictureFileStaysInsideImageFolder();
    void deleteOfPathLikeNameTouchesNothingOutsideImage();
    // Print item selection
    void printItemSelectionTogglesBothWays();
    void doubleClickOnTitleRowTogglesCurrentRow();
};

namespace {

struct Item {
    QString code;
    QString display;
    int top;
    int left;
    QString printed;
    bool operator==(const Item& o) const
    {
        return code == o.code && display == o.display && top == o.top && left == o.left && printed == o.printed;
    }
};

char* toString(const Item& item)
{
    return qstrdup(QStringLiteral("%1 %2 (%3,%4) %5")
                       .arg(item.code, item.display)
                       .arg(item.top)
                       .arg(item.left)
                       .arg(item.printed)
                       .toUtf8()
                       .constData());
}

// What a fresh company must print, written out from the paper form's layout.
const QList<Item> PartItems = {
    {"JP01", "寄件人姓名", 10, 10, "是"},      {"JP02", "寄件人电话号码", 10, 130, "是"},
    {"JP03", "寄件人手机号码", 10, 250, "是"}, {"JP04", "寄件人单位名称", 45, 10, "是"},
    {"JP05", "寄件人区号", 45, 130, "是"},     {"JP06", "寄件人省市区", 80, 10, "是"},
    {"JP07", "寄件人地州市", 80, 130, "是"},   {"JP08", "寄件人区县", 80, 250, "是"},
    {"JP09", "寄件人地址", 115, 10, "是"},     {"JP10", "寄件人邮编", 115, 130, "是"},
    {"SP01", "收件人姓名", 10, 510, "是"},     {"SP02", "收件人电话号码", 10, 630, "是"},
    {"SP03", "收件人手机号码", 10, 750, "是"}, {"SP04", "收件人单位名称", 45, 510, "是"},
    {"SP05", "收件人区号", 45, 630, "是"},     {"SP06", "收件人省市区", 80, 510, "是"},
    {"SP07", "收件人地州市", 80, 630, "是"},   {"SP08", "收件人区县", 80, 750, "是"},
    {"SP09", "收件人地址", 115, 510, "是"},    {"SP10", "收件人邮编", 115, 630, "是"},
    {"KP01", "快递物品", 160, 10, "是"},       {"KP02", "自定义一", 195, 10, "是"},
    {"KP03", "自定义二", 195, 130, "是"},      {"KP04", "自定义三", 195, 250, "是"},
    {"KP05", "快递日期", 230, 10, "是"},
};
// The full addresses start switched off: printed beside the parts they would say the address twice.
const QList<Item> DefaultItems =
    PartItems + QList<Item>{{"JP11", "寄件人完整地址", 265, 10, "否"}, {"SP11", "收件人完整地址", 150, 510, "否"}};

// A company's print items in ID order.
QList<Item> itemsOf(const QString& company)
{
    QSqlQuery query =
        DM().run(SqlText("SELECT theName, theV, theT, theL, theP FROM SP WHERE (EName = ?) ORDER BY ID", {company}));
    QList<Item> items;
    while (query.next())
        items.append({query.value(0).toString(), query.value(1).toString(), query.value(2).toInt(),
                      query.value(3).toInt(), query.value(4).toString()});
    return items;
}

QList<qint64> itemIdsOf(const QString& company)
{
    QSqlQuery query = DM().run(SqlText("SELECT ID FROM SP WHERE (EName = ?) ORDER BY ID", {company}));
    QList<qint64> ids;
    while (query.next())
        ids << query.value(0).toLongLong();
    return ids;
}

// Every SCom row as "name|contact|phone|mobile|address|remark|deleted", in ID order.
QStringList companyRows()
{
    return RowsOf(SqlText("SELECT theName, thePro, thePhone, theMob, theAdd, Remark, theDel FROM SCom ORDER BY ID"));
}

int count(const char* sql) { return DM().QueryCount(SqlText(QString::fromUtf8(sql))); }

CourierStore::Company company(const QString& name, const QString& contact = QString(), const QString& phone = QString(),
                              const QString& mobile = QString(), const QString& address = QString(),
                              const QString& remark = QString())
{
    return {name, contact, phone, mobile, address, remark};
}

// Fills the entry dialog's six boxes and presses "保存".
void fillAndSave(TfrmCom* dialog, const QStringList& fields)
{
    for (int i = 0; i < fields.size(); ++i)
        dialog->edit(i + 1)->setText(fields[i]);
    QTest::mouseClick(child(dialog, "BitBtn1"), Qt::LeftButton);
}

void writeFile(const QString& path)
{
    QFile file(path);
    QVERIFY2(file.open(QIODevice::WriteOnly), qPrintable(path));
    file.write("\xFF\xD8 picture");
}

// Types one character as a key press with that text.
void typeChar(QWidget* edit, QChar c) { QTest::sendKeyEvent(QTest::Click, edit, Qt::Key_unknown, QString(c), {}); }

// Commits text the way an input method does once the user picks a character.
void commitText(QWidget* edit, const QString& text)
{
    QInputMethodEvent event;
    event.setCommitString(text);
    QCoreApplication::sendEvent(edit, &event);
}

// A company query window, shown at a usable size.
struct QueryUnderTest : QueryDriver<TfrmCom_Q> {
    QueryUnderTest() : QueryDriver(QStringLiteral("快递公司")) {}
};

} // namespace

void TestCouriers::newCompanyGetsTheDefaultItemsInCodeOrder()
{
    ProgramFolder folder;
    MessageRecorder messages;
    TfrmCom dialog(nullptr);
    dialog.show();
    QCOMPARE(dialog.windowTitle(), QString("快递公司录入"));
    fillAndSave(&dialog, {"顺丰速运", "王五", "0755-1234", "13800000000", "深圳", "it's 100%"});

    QCOMPARE(messages.texts(), QStringList({"快递公司 信息 保存成功！"}));
    QVERIFY(!dialog.isVisible());
    QCOMPARE(companyRows(), QStringList({"顺丰速运|王五|0755-1234|13800000000|深圳|it's 100%|否"}));
    QCOMPARE(itemsOf("顺丰速运"), DefaultItems);
    QCOMPARE(count("SELECT ID FROM SP"), 27);
}

void TestCouriers::aSaveOverAnotherPcsChangeIsRefused_data() { AnotherPcChangesOrDeletes_data(); }

void TestCouriers::aSaveOverAnotherPcsChangeIsRefused()
{
    QFETCH(QString, command);
    const bool deleted = command == "D1";
    ProgramFolder first;
    QVERIFY(CourierStore::createCompany(company("顺丰速运", "王五", "111")));
    MessageRecorder messages;
    ModalRecorder modals;
    QueryUnderTest mine;
    mine.query();
    mine.run("M1");
    QPointer<TfrmCom> dialog = modals.lastOf<TfrmCom>();
    dialog->edit(1)->setText("顺丰快递"); // a rename, which would also reset the print items
    OnAnotherPc(first, [&] {
        QueryUnderTest other;
        other.query();
        modals.onOpen = [](QDialog* d) {
            fillAndSave(qobject_cast<TfrmCom*>(d), {"顺丰速运", "王五", "222"});
            return int(QDialog::Accepted);
        };
        other.run(qPrintable(command));
    });
    QTest::mouseClick(child(dialog, "BitBtn1"), Qt::LeftButton);
    QVERIFY(dialog && dialog->isVisible());
    QCOMPARE(dialog->edit(1)->text(), QString("顺丰快递"));
    QVERIFY(messages.last().startsWith(deleted ? "这家快递公司已被删除" : "这家快递公司在您打开之后已被修改"));
    QCOMPARE(companyRows(), QStringList({deleted ? "顺丰速运|王五|111||||是" : "顺丰速运|王五|222||||否"}));
    QCOMPARE(itemsOf("顺丰速运").size(), deleted ? 0 : 27);
    QCOMPARE(itemsOf("顺丰快递").size(), 0);
}

void TestCouriers::refusedNameWritesNothing_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("message");
    QTest::newRow("empty") << QString() << QString("快递公司 不能为空！");
    QTest::newRow("live duplicate") << QString("申通") << QString("快递公司 已经存在，请重新录入！");
}

void TestCouriers::refusedNameWritesNothing()
{
    QFETCH(QString, name);
    QFETCH(QString, message);
    ProgramFolder folder;
    CourierStore::createCompany(company("申通", "老李"));
    const QStringList before = companyRows();
    MessageRecorder messages;
    TfrmCom dialog(nullptr);
    dialog.show();
    fillAndSave(&dialog, {name, "赵六", "123"});

    QCOMPARE(messages.texts(), QStringList({message}));
    QVERIFY(dialog.isVisible());
    QCOMPARE(dialog.focusWidget(), dialog.edit(1));
    QCOMPARE(dialog.edit(1)->text(), name);
    QCOMPARE(dialog.edit(2)->text(), QString("赵六"));
    QCOMPARE(companyRows(), before);
    QCOMPARE(count("SELECT ID FROM SP"), 27);
}

void TestCouriers::deletedCompanysNameGetsFreshItems()
{
    ProgramFolder folder;
    CourierStore::createCompany(company("圆通"));
    const QList<qint64> oldIds = itemIdsOf("圆通");
    DM().ExecSql(SqlText("UPDATE SP SET theT = 99, theP = '否' WHERE (EName = '圆通')"));
    CourierStore::deleteCompany(1, "圆通");
    QCOMPARE(companyRows(), QStringList({"圆通||||||是"}));

    MessageRecorder messages;
    TfrmCom dialog(nullptr);
    dialog.show();
    fillAndSave(&dialog, {"圆通", "新联系人"});
    QCOMPARE(messages.texts(), QStringList({"快递公司 信息 保存成功！"}));
    QCOMPARE(companyRows(), QStringList({"圆通||||||是", "圆通|新联系人|||||否"}));
    QCOMPARE(itemsOf("圆通"), DefaultItems);
    QVERIFY(itemIdsOf("圆通").first() > oldIds.last());
}

void TestCouriers::editWithoutRenameKeepsItems()
{
    ProgramFolder folder;
    CourierStore::createCompany(company("韵达", "甲", "111"));
    // The company's layout as the designer and the selection window left it.
    DM().ExecSql(SqlText("UPDATE SP SET theT = theT + 7, theL = theL + 3 WHERE (EName = '韵达')"));
    DM().ExecSql(SqlText("UPDATE SP SET theP = '否' WHERE (EName = '韵达') AND (theName = 'SP03')"));
    const QList<Item> designed = itemsOf("韵达");
    const QList<qint64> ids = itemIdsOf("韵达");

    MessageRecorder messages;
    ModalRecorder modals;
    QStringList opened;
    modals.onOpen = [&opened](QDialog* d) {
        auto* dialog = qobject_cast<TfrmCom*>(d);
        opened << dialog->windowTitle();
        for (int i = 1; i <= 6; ++i)
            opened << dialog->edit(i)->text();
        fillAndSave(dialog, {"韵达", "乙", "222", "139", "上海", "备注"});
        return int(QDialog::Accepted);
    };
    QueryUnderTest q;
    q.query();
    q.command("M1")->trigger();

    QCOMPARE(opened, QStringList({"快递公司修改", "韵达", "甲", "111", "", "", ""}));
    QCOMPARE(messages.texts(), QStringList({"快递公司 信息 保存成功！"}));
    QCOMPARE(companyRows(), QStringList({"韵达|乙|222|139|上海|备注|否"}));
    QCOMPARE(itemsOf("韵达"), designed);
    QCOMPARE(itemIdsOf("韵达"), ids);
    QCOMPARE(q.listed("联系人"), QStringList({"乙"}));
}

void TestCouriers::renameReplacesItemsAndLeavesOldPicture()
{
    ProgramFolder folder;
    CourierStore::createCompany(company("中通"));
    CourierStore::createCompany(company("其他"));
    DM().ExecSql(SqlText("UPDATE SP SET theT = 1, theL = 2, theP = '否'"));
    GiveCompanyPicture("中通", QByteArray("\xFF\xD8 picture"));

    MessageRecorder messages;
    ModalRecorder modals;
    modals.onOpen = [](QDialog* d) {
        auto* dialog = qobject_cast<TfrmCom*>(d);
        dialog->edit(1)->setText("中通快递");
        QTest::mouseClick(child(dialog, "BitBtn1"), Qt::LeftButton);
        return int(QDialog::Accepted);
    };
    QueryUnderTest q;
    q.query();
    q.selectRow(q.rowOf("中通"));
    q.command("M1")->trigger();

    QCOMPARE(messages.texts(), QStringList({"快递公司 信息 保存成功！"}));
    QCOMPARE(companyRows(), QStringList({"中通快递||||||否", "其他||||||否"}));
    QVERIFY(itemsOf("中通").isEmpty());
    QCOMPARE(itemsOf("中通快递"), DefaultItems);
    // The other company keeps its layout.
    QCOMPARE(itemsOf("其他").size(), 27);
    QCOMPARE(itemsOf("其他").first().top, 1);
    QCOMPARE(q.listed(), QStringList({"其他", "中通快递"}));
    // The picture stays under the old name; the new name has none, at the next start too.
    folder.startHere();
    QVERIFY(CompanyPictureExists("中通"));
    QVERIFY(!CompanyPictureExists("中通快递"));
}

void TestCouriers::renameOntoLiveNameIsRefused()
{
    ProgramFolder folder;
    CourierStore::createCompany(company("EMS"));
    CourierStore::createCompany(company("德邦"));
    CourierStore::createCompany(company("旧名"));
    CourierStore::deleteCompany(3, "旧名");
    const QStringList before = companyRows();

    MessageRecorder messages;
    ModalRecorder modals;
    QString typed = "EMS";
    modals.onOpen = [&typed](QDialog* d) {
        auto* dialog = qobject_cast<TfrmCom*>(d);
        dialog->edit(1)->setText(typed);
        QTest::mouseClick(child(dialog, "BitBtn1"), Qt::LeftButton);
        return dialog->isVisible() ? int(QDialog::Rejected) : int(QDialog::Accepted);
    };
    QueryUnderTest q;
    q.query();
    QCOMPARE(q.listed().first(), QString("德邦"));
    q.command("M1")->trigger();
    QCOMPARE(messages.texts(), QStringList({"快递公司 已经存在，请重新录入！"}));
    QVERIFY(modals.lastOf<TfrmCom>()->isVisible());
    QCOMPARE(companyRows(), before);
    QCOMPARE(itemsOf("EMS").size(), 27);
    QCOMPARE(itemsOf("德邦").size(), 27);

    // A deleted company's name is free again, and a change of case is a new name.
    for (const QString& name : {QString("旧名"), QString("ems")}) {
        messages.clear();
        typed = name;
        q.selectRow(0);
        q.command("M1")->trigger();
        QCOMPARE(messages.texts(), QStringList({"快递公司 信息 保存成功！"}));
        QCOMPARE(itemsOf(name).size(), 27);
    }
}

void TestCouriers::nameBoxCountsGbkBytesWhenTyping_data()
{
    QTest::addColumn<bool>("inputMethod");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    for (bool im : {false, true}) {
        const char* how = im ? "input method: " : "keys: ";
        QTest::newRow(QByteArray(how).append("six fit, a seventh does not"))
            << im << QString("一二三四五六七") << QString("一二三四五六");
        QTest::newRow(QByteArray(how).append("two ASCII and five Chinese make twelve"))
            << im << QString("ab一二三四五c") << QString("ab一二三四五");
        QTest::newRow(QByteArray(how).append("odd byte left takes ASCII only"))
            << im << QString("abc一二三四五d") << QString("abc一二三四d");
        QTest::newRow(QByteArray(how).append("twelve ASCII"))
            << im << QString("abcdefghijklm") << QString("abcdefghijkl");
    }
}

void TestCouriers::nameBoxCountsGbkBytesWhenTyping()
{
    QFETCH(bool, inputMethod);
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    ProgramFolder folder;
    TfrmCom dialog(nullptr);
    dialog.show();
    QLineEdit* edit = dialog.edit(1);
    edit->setFocus();
    for (QChar c : typed) {
        if (inputMethod)
            commitText(edit, QString(c));
        else
            typeChar(edit, c);
    }
    QCOMPARE(edit->text(), shown);
}

void TestCouriers::pasteIsCutAtTheLimit_data()
{
    QTest::addColumn<int>("box");
    QTest::addColumn<QString>("before");
    QTest::addColumn<int>("cursor");
    QTest::addColumn<QString>("pasted");
    QTest::addColumn<QString>("after");
    QTest::newRow("Chinese into empty name")
        << 1 << QString() << 0 << QString("一二三四五六七八") << QString("一二三四五六");
    QTest::newRow("no half character") << 1 << QString("a") << 1 << QString("一二三四五六") << QString("a一二三四五");
    QTest::newRow("between texts") << 1 << QString("ab") << 1 << QString("一二三四五六") << QString("a一二三四五b");
    QTest::newRow("emoji kept whole") << 1 << QString("a") << 1 << QString::fromUtf8("😀😀😀😀😀😀")
                                      << QString::fromUtf8("a😀😀😀😀😀");
    QTest::newRow("full box takes nothing")
        << 1 << QString("一二三四五六") << 6 << QString("x") << QString("一二三四五六");
    QTest::newRow("contact 20 bytes") << 2 << QString() << 0 << QString(25, 'x') << QString(20, 'x');
    QTest::newRow("telephone 30 bytes") << 3 << QString() << 0 << QString(40, 'x') << QString(30, 'x');
    QTest::newRow("mobile 30 bytes") << 4 << QString() << 0 << QString(16, QChar(0x4E2D)) << QString(15, QChar(0x4E2D));
    QTest::newRow("address 50 bytes") << 5 << QString() << 0 << QString(60, 'x') << QString(50, 'x');
    QTest::newRow("remark 100 bytes") << 6 << QString("x") << 1 << QString(60, QChar(0x4E2D))
                                      << QString("x") + QString(49, QChar(0x4E2D));
}

void TestCouriers::pasteIsCutAtTheLimit()
{
    QFETCH(int, box);
    QFETCH(QString, before);
    QFETCH(int, cursor);
    QFETCH(QString, pasted);
    QFETCH(QString, after);
    ProgramFolder folder;
    TfrmCom dialog(nullptr);
    dialog.show();
    QLineEdit* edit = dialog.edit(box);
    edit->setText(before);
    edit->setCursorPosition(cursor);
    QGuiApplication::clipboard()->setText(pasted);
    edit->paste();
    QCOMPARE(edit->text(), after);
}

void TestCouriers::typingTicksTheBoxAndClearingKeepsIt()
{
    ProgramFolder folder;
    QueryUnderTest q;
    for (int n = 1; n <= 6; ++n) {
        QVERIFY(!q.check(n)->isChecked());
        q.edit(n)->setFocus();
        QTest::keyClicks(q.edit(n), "ab");
        QVERIFY(q.check(n)->isChecked());
        QTest::keyClick(q.edit(n), Qt::Key_Backspace);
        QTest::keyClick(q.edit(n), Qt::Key_Backspace);
        QCOMPARE(q.edit(n)->text(), QString());
        QVERIFY(q.check(n)->isChecked());
        // Only the user unticks it; typing ticks it again.
        q.check(n)->setChecked(false);
        q.edit(n)->setText("顺");
        QVERIFY(q.check(n)->isChecked());
    }
}

void TestCouriers::noTickListsEveryLiveCompanyNewestFirst()
{
    ProgramFolder folder;
    for (const char* name : {"甲", "乙", "丙", "丁"})
        CourierStore::createCompany(company(name));
    CourierStore::deleteCompany(2, "乙");
    QueryUnderTest q;
    QCOMPARE(q.grid()->model()->columnCount(), 0); // empty until the first query
    q.edit(1)->setText("不匹配");
    q.check(1)->setChecked(false);
    q.query();

    QCOMPARE(q.listed(), QStringList({"丁", "丙", "甲"}));
    QCOMPARE(q.label(), QString("记录：3"));
    QStringList titles;
    for (int c = 0; c < q.grid()->model()->columnCount(); ++c)
        titles << q.grid()->model()->headerData(c, Qt::Horizontal).toString();
    QCOMPARE(titles, QStringList({"快递公司", "联系人", "电话号码", "手机号码", "地址", "备注", "ID"}));
    QVERIFY(q.grid()->isColumnHidden(6));
    const QList<int> widths = {100, 120, 150, 200, 280};
    for (int c = 1; c <= 5; ++c)
        QCOMPARE(q.grid()->columnWidth(c), widths[c - 1]);

    // An empty ticked box adds a term that matches every value.
    q.check(2)->setChecked(true);
    q.query();
    QCOMPARE(q.label(), QString("记录：3"));
}

void TestCouriers::filtersCombineWithAnd()
{
    ProgramFolder folder;
    CourierStore::createCompany(company("顺丰速运", "张三", "0755", "138", "深圳福田", "月结"));
    CourierStore::createCompany(company("顺丰同城", "李四", "0755", "139", "深圳南山", "现付"));
    CourierStore::createCompany(company("申通", "张三", "021", "137", "上海", "月结"));
    QueryUnderTest q;

    const struct {
        QList<QPair<int, QString>> filters;
        QStringList listed;
    } cases[] = {
        {{{1, "顺丰"}}, {"顺丰同城", "顺丰速运"}},
        {{{1, "顺丰"}, {2, "张三"}}, {"顺丰速运"}},
        {{{2, "张三"}, {6, "月结"}}, {"申通", "顺丰速运"}},
        {{{3, "0755"}, {4, "139"}, {5, "南山"}}, {"顺丰同城"}},
        {{{1, "申通"}, {3, "0755"}}, {}},
        {{{1, "顺%运"}}, {"顺丰速运"}}, // a typed "%" is a wildcard
        {{{6, "'"}}, {}},
    };
    for (const auto& c : cases) {
        for (int n = 1; n <= 6; ++n) {
            q.edit(n)->clear();
            q.check(n)->setChecked(false);
        }
        for (const auto& [n, text] : c.filters)
            q.edit(n)->setText(text);
        q.query();
        QCOMPARE(q.listed(), c.listed);
        QCOMPARE(q.label(), QStringLiteral("记录：%1").arg(c.listed.size()));
    }
}

void TestCouriers::editRefreshesTheOpenerWithItsLastFilter()
{
    ProgramFolder folder;
    CourierStore::createCompany(company("顺丰速运", "张三"));
    CourierStore::createCompany(company("顺丰同城", "李四"));
    CourierStore::createCompany(company("申通", "王五"));
    MessageRecorder messages;
    ModalRecorder modals;
    QStringList newTexts;
    modals.onOpen = [&newTexts](QDialog* d) {
        auto* dialog = qobject_cast<TfrmCom*>(d);
        for (int i = 0; i < newTexts.size(); ++i)
            if (!newTexts[i].isNull())
                dialog->edit(i + 1)->setText(newTexts[i]);
        dialog->BitBtn1Click();
        return int(QDialog::Accepted);
    };

    QueryUnderTest a;
    QueryUnderTest b;
    a.edit(1)->setText("顺丰");
    a.query();
    b.edit(1)->setText("申");
    b.query();
    QCOMPARE(a.listed(), QStringList({"顺丰同城", "顺丰速运"}));
    QCOMPARE(b.listed(), QStringList({"申通"}));
    // Typing after a query does not change the listing's filter.
    a.edit(1)->setText("申");

    newTexts = {QString(), "赵六"};
    a.selectRow(1);
    a.command("M1")->trigger();
    QCOMPARE(a.listed(), QStringList({"顺丰同城", "顺丰速运"}));
    QCOMPARE(a.listed("联系人"), QStringList({"李四", "赵六"}));
    QCOMPARE(b.listed(), QStringList({"申通"}));

    // A rename that leaves the filter drops the row from the opener's listing.
    newTexts = {"韵达"};
    b.command("M1")->trigger();
    QCOMPARE(b.listed(), QStringList());
    QCOMPARE(b.label(), QString("记录：0"));
    QCOMPARE(a.listed(), QStringList({"顺丰同城", "顺丰速运"}));
    QCOMPARE(messages.texts(), QStringList({"快递公司 信息 保存成功！", "快递公司 信息 保存成功！"}));
}

void TestCouriers::noMenuBeforeFirstQueryAndCommandsIdleOnEmptyList()
{
    ProgramFolder folder;
    CourierStore::createCompany(company("顺丰"));
    MessageRecorder messages;
    ModalRecorder modals;
    QueryUnderTest q;
    auto* menu = child<QMenu>(&q.window, "PopupMenu1");
    QStringList captions;
    for (QAction* action : menu->actions())
        captions << (action->isSeparator() ? QString("-") : action->text());
    QCOMPARE(captions, QStringList({"选择打印项目", "设计打印格式", "打印校准", "打印快递单 &P", "-", "修改 &M", "-",
                                    "删除 &D", "-", "导出Excel"}));

    emit q.grid()->customContextMenuRequested(QPoint(10, 10));
    QVERIFY(!menu->isVisible());

    q.edit(1)->setText("无此公司");
    q.query();
    QCOMPARE(q.label(), QString("记录：0"));
    emit q.grid()->customContextMenuRequested(QPoint(10, 10));
    QVERIFY(menu->isVisible());
    menu->hide();

    for (const char* name : {"N1", "N2", "P1", "M1", "D1"})
        q.command(name)->trigger();
    QVERIFY(modals.opened.isEmpty());
    QVERIFY(messages.shown().isEmpty());
    QCOMPARE(companyRows(), QStringList({"顺丰||||||否"}));
    QCOMPARE(itemsOf("顺丰").size(), 27);
}

void TestCouriers::deleteAnsweredNoChangesNothing()
{
    ProgramFolder folder;
    CourierStore::createCompany(company("顺丰"));
    GiveCompanyPicture("顺丰", QByteArray("\xFF\xD8 picture"));
    MessageRecorder messages;
    messages.answerNext(false);
    QueryUnderTest q;
    q.query();
    q.command("D1")->trigger();

    QCOMPARE(messages.shown().size(), 1);
    const MessageRequest asked = messages.shown().first();
    QCOMPARE(asked.kind, MessageKind::Question);
    QCOMPARE(asked.caption, QString("删除"));
    QCOMPARE(asked.text, QString("确认要删除吗？该删除将不可恢复！"));
    QVERIFY(!asked.defaultYes);
    QCOMPARE(companyRows(), QStringList({"顺丰||||||否"}));
    QCOMPARE(itemsOf("顺丰"), DefaultItems);
    QVERIFY(QFile::exists(folder.file("Image/顺丰.jpg")));
    QCOMPARE(q.listed(), QStringList({"顺丰"}));
}

void TestCouriers::deleteRemovesPictureAndItemsAndMarksRow()
{
    ProgramFolder folder;
    CourierStore::createCompany(company("顺丰"));
    CourierStore::createCompany(company("申通"));
    GiveCompanyPicture("顺丰", QByteArray("\xFF\xD8 picture"));
    GiveCompanyPicture("申通", QByteArray("\xFF\xD8 picture"));
    DM().ExecSql(SqlText("INSERT INTO UE (EName, ENum) VALUES ('顺丰', 'SF001')"));
    MessageRecorder messages;
    messages.answerNext(true);
    QueryUnderTest q;
    q.query();
    q.selectRow(q.rowOf("顺丰"));
    q.command("D1")->trigger();

    QCOMPARE(messages.shown().size(), 1);
    QCOMPARE(companyRows(), QStringList({"顺丰||||||是", "申通||||||否"}));
    QVERIFY(itemsOf("顺丰").isEmpty());
    QCOMPARE(itemsOf("申通").size(), 27);
    QVERIFY(!QFile::exists(folder.file("Image/顺丰.jpg")));
    QVERIFY(QFile::exists(folder.file("Image/申通.jpg")));
    QCOMPARE(count("SELECT ID FROM UE WHERE (EName = '顺丰')"), 1); // waybills keep the name
    QCOMPARE(q.listed(), QStringList({"申通"}));
    QCOMPARE(q.label(), QString("记录：1"));

    // Without a picture file the delete goes through all the same.
    messages.answerNext(true);
    q.command("D1")->trigger();
    QCOMPARE(companyRows(), QStringList({"顺丰||||||是", "申通||||||是"}));
    QCOMPARE(q.label(), QString("记录：0"));
}

void TestCouriers::pictureFileStaysInsideImageFolder_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("ordinary");
    QTest::newRow("Chinese") << QString("顺丰速运") << true;
    QTest::newRow("ASCII with dots") << QString("a.b..c") << true;
    QTest::newRow("leading dots") << QString("..x") << true;
    QTest::newRow("spaces and percent") << QString(" 50% off ") << true;
    QTest::newRow("slash") << QString("a/b") << false;
    QTest::newRow("parent") << QString("../x") << false;
    QTest::newRow("deep parent") << QString("../../etc/passwd") << false;
    QTest::newRow("absolute") << QString("/tmp/x") << false;
    QTest::newRow("backslash") << QString("..\\x") << false;
    QTest::newRow("NUL") << QString("a") + QChar(0) + QString("b") << false;
    QTest::newRow("dot") << QString(".") << false;
    QTest::newRow("dot dot") << QString("..") << false;
}

void TestCouriers::pictureFileStaysInsideImageFolder()
{
    QFETCH(QString, name);
    QFETCH(bool, ordinary);
    ProgramFolder folder;
    const QString path = CompanyPicturePath(name);
    const QFileInfo file(path);
    QCOMPARE(QDir::cleanPath(file.absolutePath()), QDir::cleanPath(folder.file("Image")));
    QVERIFY(file.fileName().endsWith(".jpg"));
    QVERIFY(!file.fileName().contains('/'));
    QVERIFY(!file.fileName().contains(QChar(0)));
    if (ordinary)
        QCOMPARE(file.fileName(), name + ".jpg");
    // A file can be written there and found again under the same name.
    QDir().mkpath(folder.file("Image"));
    writeFile(path);
    QVERIFY(QFile::exists(CompanyPicturePath(name)));
    QCOMPARE(QDir(folder.file("Image")).entryList(QDir::Files | QDir::Hidden), QStringList({file.fileName()}));
}

void TestCouriers::deleteOfPathLikeNameTouchesNothingOutsideImage()
{
    ProgramFolder folder;
    for (const char* name : {"../x", "a/b", ".."})
        CourierStore::createCompany(company(name));
    // Decoys where a name pasted into a path would point.
    const QStringList decoys = {folder.file("x.jpg"), folder.file("Image/a/b.jpg")};
    QDir().mkpath(folder.file("Image/a"));
    for (const QString& decoy : decoys)
        writeFile(decoy);
    for (const char* name : {"../x", "a/b", ".."})
        GiveCompanyPicture(name, QByteArray("\xFF\xD8 picture"));

    MessageRecorder messages(true);
    QueryUnderTest q;
    q.query();
    QCOMPARE(q.label(), QString("记录：3"));
    for (int i = 0; i < 3; ++i)
        q.command("D1")->trigger();
    QCOMPARE(q.label(), QString("记录：0"));
    QCOMPARE(count("SELECT ID FROM SP"), 0);
    for (const char* name : {"../x", "a/b", ".."})
        QVERIFY2(!QFile::exists(CompanyPicturePath(name)), name);
    for (const QString& decoy : decoys)
        QVERIFY2(QFile::exists(decoy), qPrintable(decoy));
}

void TestCouriers::printItemSelectionTogglesBothWays()
{
    ProgramFolder folder;
    CourierStore::createCompany(company("顺丰"));
    CourierStore::createCompany(company("申通"));
    ModalRecorder modals;
    QueryUnderTest q;
    q.query();
    q.selectRow(q.rowOf("顺丰"));
    q.command("N1")->trigger();

    auto* p1 = modals.lastOf<TfrmP1>();
    QVERIFY(p1);
    QCOMPARE(p1->windowTitle(), QString("顺丰 选择打印项目"));
    auto* grid = child<DataGrid>(p1, "DBGrid1");
    QCOMPARE(grid->toolTip(), QString("鼠标双击可以选择是否打印"));
    QStringList titles;
    for (int c = 0; c < grid->model()->columnCount(); ++c)
        titles << grid->model()->headerData(c, Qt::Horizontal).toString();
    QCOMPARE(titles, QStringList({"快递公司", "项目名称", "打印", "ID"}));
    QVERIFY(grid->isColumnHidden(3));
    QCOMPARE(grid->columnWidth(0), 100);
    QCOMPARE(grid->rowCount(), 27);
    QCOMPARE(grid->value(0, "项目名称").toString(), QString("寄件人姓名"));
    QCOMPARE(grid->value(24, "项目名称").toString(), QString("快递日期"));
    // Every item is in view at once.
    QVERIFY(grid->visualRect(grid->model()->index(26, 1)).bottom() <= grid->viewport()->height());

    auto doubleClickRow = [grid](int row) {
        QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {},
                           grid->visualRect(grid->model()->index(row, 1)).center());
    };
    auto flags = [grid] {
        QStringList result;
        for (int row = 0; row < grid->rowCount(); ++row)
            result << grid->value(row, "打印").toString();
        return result;
    };
    QStringList expected(25, "是");
    expected << "否"
             << "否"; // the full addresses start switched off

    doubleClickRow(2);
    expected[2] = "否";
    QCOMPARE(flags(), expected);
    QCOMPARE(grid->currentRowIndex(), 2);
    QCOMPARE(itemsOf("顺丰")[2].printed, QString("否"));
    // The stored position is not touched.
    QCOMPARE(itemsOf("顺丰")[2].top, DefaultItems[2].top);

    // From the keyboard: Space and Enter switch the current item, which stays current.
    QTest::keyClick(grid, Qt::Key_Space);
    expected[2] = "是";
    QCOMPARE(flags(), expected);
    QTest::keyClick(grid, Qt::Key_Down);
    QTest::keyClick(grid, Qt::Key_Return);
    expected[3] = "否";
    QCOMPARE(flags(), expected);
    QCOMPARE(grid->currentRowIndex(), 3);
    QTest::keyClick(grid, Qt::Key_Enter);
    expected[3] = "是";

    doubleClickRow(24);
    doubleClickRow(0);
    expected[24] = expected[0] = "否";
    QCOMPARE(flags(), expected);
    // Only this company's items change.
    QCOMPARE(itemsOf("申通"), DefaultItems);
}

void TestCouriers::doubleClickOnTitleRowTogglesCurrentRow()
{
    ProgramFolder folder;
    CourierStore::createCompany(company("顺丰"));
    TfrmP1 p1(nullptr);
    p1.CompanyName = "顺丰";
    p1.show();
    auto* grid = child<DataGrid>(&p1, "DBGrid1");
    QHeaderView* header = grid->horizontalHeader();
    const QPoint title(header->sectionViewportPosition(1) + 5, header->height() / 2);

    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(grid->model()->index(4, 1)).center());
    QCOMPARE(grid->currentRowIndex(), 4);
    QTest::mouseDClick(header->viewport(), Qt::LeftButton, {}, title);
    QCOMPARE(itemsOf("顺丰")[4].printed, QString("否"));
    // The switched item stays current, so a second title double-click switches it back.
    QCOMPARE(grid->currentRowIndex(), 4);
    QTest::mouseDClick(header->viewport(), Qt::LeftButton, {}, title);
    QCOMPARE(itemsOf("顺丰")[4].printed, QString("是"));
    QCOMPARE(grid->value(4, "打印").toString(), QString("是"));
}

ORVANE_TEST_MAIN(TestCouriers)
#include "tst_couriers.moc"
