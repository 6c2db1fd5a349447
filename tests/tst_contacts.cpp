// Sender and recipient entry and query, driven through their windows over a real
// database in a temporary program folder.
#include "TestSupport.h"

#include "Addressee.h"
#include "Addressee_Q.h"
#include "ContactStore.h"
#include "Controls.h"
#include "DM.h"
#include "Main.h"
#include "Sender.h"
#include "Sender_Q.h"

#include <QGroupBox>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QSqlQuery>

class TestContacts : public QObject {
    Q_OBJECT
private slots:
    void newContactDuplicateRule_data();
    void newContactDuplicateRule();
    void editSavesWithoutLookUpAndRewritesCodes();
    void onlySaveWrites_data();
    void onlySaveWrites();
    void quotesAndWildcardsRoundTrip();
    void conditionsMatchTextAndCodes();
    void listingAndDelete();
    void twinsUseTheirOwnTableAndWords_data();
    void twinsUseTheirOwnTableAndWords();
    void menuOpensTheContactWindows();
    void aSaveOverAnotherPcsChangeIsRefused_data();
    void aSaveOverAnotherPcsChangeIsRefused();
};

namespace {

using Contact = QStringList; // the texts of Edit1 to Edit11; a null text leaves a box as it is

Contact contact(const QString& name, const QString& dept = {}, const QString& phone = {}, const QString& remark = {})
{
    return {name, phone, "", dept, "", "", "", "", "", "", remark};
}

// Every row of a contact table as "name|phone|…|remark|theDel|NPY|DPY", in ID order.
QStringList rowsOf(const QString& table)
{
    return RowsOf(SqlText(QStringLiteral("SELECT theName, thePhone, theMob, theDept, theANum, theA1, "
                                         "theA2, theA3, theAdd, thePNum, Remark, theDel, NPY, DPY "
                                         "FROM %1 ORDER BY ID")
                              .arg(table)));
}

QString row(const Contact& c, const QString& deleted, const QString& npy = {}, const QString& dpy = {})
{
    return (c + QStringList{deleted, npy, dpy}).join('|');
}

LimitedEdit* box(QWidget* dialog, int n) { return child<LimitedEdit>(dialog, "Edit" + QByteArray::number(n)); }

void fillAndSave(QWidget* dialog, const Contact& c, const char* button = "BitBtn1")
{
    for (int i = 0; i < c.size(); ++i)
        if (!c[i].isNull())
            box(dialog, i + 1)->setText(c[i]);
    QTest::mouseClick(child(dialog, button), Qt::LeftButton);
}

// What the dialog opened by "修改 &M" showed: its class, caption and the boxes' texts.
struct Opened {
    QString type, title;
    Contact loaded;
};

// The dialog that "修改 &M" opens takes these changes and is saved.
void saveEdits(ModalRecorder& modals, const Contact& changes, Opened* opened)
{
    modals.onOpen = [changes, opened](QDialog* dialog) {
        *opened = {dialog->metaObject()->className(), dialog->windowTitle(), {}};
        for (int n = 1; n <= 11; ++n)
            opened->loaded << box(dialog, n)->text();
        fillAndSave(dialog, changes);
        return int(QDialog::Accepted);
    };
}

struct SenderQuery : QueryDriver<TfrmSender_Q> {
    SenderQuery() : QueryDriver(QStringLiteral("寄件人")) {}
    void filter(const QList<QPair<int, QString>>& conditions)
    {
        for (int n = 1; n <= 11; ++n) {
            edit(n)->clear();
            check(n)->setChecked(false);
        }
        for (const auto& [n, text] : conditions)
            edit(n)->setText(text);
        query();
    }
};

} // namespace

void TestContacts::newContactDuplicateRule_data()
{
    QTest::addColumn<Contact>("typed");
    QTest::addColumn<QString>("message");
    const QString empty("寄件人 不能为空！"), exists("寄件人 已经存在，请重新录入！"), saved("寄件人 信息 保存成功！");
    // Stored before: 张三 at 顺丰, 李四 with no organisation, 王五 at 申通 soft-deleted.
    QTest::newRow("empty name") << contact("", "顺丰") << empty;
    QTest::newRow("same name and organisation") << contact("张三", "顺丰", "999") << exists;
    QTest::newRow("both organisations empty") << contact("李四") << exists;
    QTest::newRow("another organisation") << contact("张三", "申通") << saved;
    QTest::newRow("organisation only on one") << contact("李四", "顺丰") << saved;
    QTest::newRow("name differs in a space") << contact("张三 ", "顺丰") << saved;
    QTest::newRow("twin only soft-deleted") << contact("王五", "申通") << saved;
    QTest::newRow("spaces are a name") << contact("  ") << saved;
}

void TestContacts::newContactDuplicateRule()
{
    QFETCH(Contact, typed);
    QFETCH(QString, message);
    ProgramFolder folder;
    ContactStore::insert(SenderKind, contact("张三", "顺丰"));
    ContactStore::insert(SenderKind, contact("李四"));
    ContactStore::softDelete(SenderKind, ContactStore::insert(SenderKind, contact("王五", "申通")));
    const QStringList before = rowsOf("USender");
    MessageRecorder messages;
    TfrmSender dialog(nullptr);
    dialog.show();
    box(&dialog, 2)->setFocus();
    fillAndSave(&dialog, typed);

    QCOMPARE(messages.texts(), QStringList({message}));
    const bool refused = !message.contains("保存成功");
    QCOMPARE(dialog.isVisible(), refused);
    if (refused) {
        QCOMPARE(rowsOf("USender"), before);
        QCOMPARE(dialog.focusWidget(), box(&dialog, 1));
    } else {
        QCOMPARE(rowsOf("USender").mid(0, before.size()), before);
        QCOMPARE(rowsOf("USender").last().section('|', 0, 11), row(typed, "否").section('|', 0, 11));
    }
}

void TestContacts::editSavesWithoutLookUpAndRewritesCodes()
{
    ProgramFolder folder;
    ContactStore::insert(SenderKind, contact("张三", "中国邮政", "111"));
    ContactStore::insert(SenderKind, contact("李四", "顺丰", "222"));
    DM().ExecSql(SqlText("UPDATE USender SET NPY = 'XX', DPY = 'YY' WHERE (theName = '李四')"));
    MessageRecorder messages;
    ModalRecorder modals;
    Opened opened;
    SenderQuery all, li;
    all.query();
    li.edit(1)->setText("李");
    li.query();

    // A phone change alone writes the codes afresh; the opener lists again with its filter.
    saveEdits(modals, {QString(), "333"}, &opened);
    li.run("M1");
    QCOMPARE(opened.title, QString("寄件人修改"));
    QCOMPARE(rowsOf("USender")[1], row(contact("李四", "顺丰", "333"), "否", "LS", "SF"));
    QCOMPARE(li.listed("电话号码"), QStringList({"333"}));

    // Changed into the other contact's name and organisation: saved without a look-up,
    // and gone from the list whose filter it no longer matches.
    saveEdits(modals, {"张三", QString(), QString(), "中国邮政"}, &opened);
    li.run("M1");
    QCOMPARE(rowsOf("USender")[1], row(contact("张三", "中国邮政", "333"), "否", "ZS", "ZGYZ"));
    QCOMPARE(li.label(), QString("记录：0"));
    QCOMPARE(messages.texts(), QStringList({"寄件人 信息 保存成功！", "寄件人 信息 保存成功！"}));
    // The other window keeps its own listing until it queries again.
    QCOMPARE(all.listed(), QStringList({"李四", "张三"}));
    all.query();
    QCOMPARE(all.listed(), QStringList({"张三", "张三"}));
}

void TestContacts::onlySaveWrites_data()
{
    QTest::addColumn<bool>("editing");
    QTest::addColumn<QString>("how");
    for (bool editing : {false, true}) {
        for (const char* how : {"BitBtn2", "close box", "Enter"})
            QTest::addRow("%s, %s", editing ? "edit" : "new", how) << editing << QString(how);
    }
}

void TestContacts::onlySaveWrites()
{
    QFETCH(bool, editing);
    QFETCH(QString, how);
    ProgramFolder folder;
    ContactStore::insert(AddresseeKind, contact("张三", "顺丰"));
    MessageRecorder messages;
    TfrmAddressee dialog(nullptr);
    dialog.EditID = editing ? 1 : 0;
    dialog.show();
    if (how == "BitBtn2") {
        fillAndSave(&dialog, contact("李四"), "BitBtn2");
    } else if (how == "close box") {
        box(&dialog, 1)->setText("李四");
        dialog.close();
    } else {
        box(&dialog, 1)->setText("李四");
        child(&dialog, "BitBtn1")->setFocus(); // a button that once had the focus does not become the default
        for (int n = 1; n <= 11; ++n) {
            box(&dialog, n)->setFocus();
            QTest::keyClick(box(&dialog, n), Qt::Key_Return);
            QTest::keyClick(box(&dialog, n), Qt::Key_Enter);
        }
    }
    QCOMPARE(dialog.isVisible(), how == "Enter");
    QVERIFY(messages.shown().isEmpty());
    QCOMPARE(rowsOf("UAddressee"), QStringList({row(contact("张三", "顺丰"), "否", "ZS", "SF")}));
}

void TestContacts::quotesAndWildcardsRoundTrip()
{
    ProgramFolder folder;
    MessageRecorder messages;
    ModalRecorder modals;
    const Contact odd = {"O'Neil \"Q\" 5%_",
                         "'; DROP TABLE USender; --",
                         "_%",
                         "a_b%'c",
                         "\\",
                         "%",
                         "''",
                         " x ",
                         "it's 100% \"done\"",
                         "1_0",
                         "--"};
    TfrmSender dialog(nullptr);
    dialog.show();
    fillAndSave(&dialog, odd);
    QCOMPARE(rowsOf("USender").first().section('|', 0, 11), row(odd, "否").section('|', 0, 11));

    // Listed, loaded into the edit dialog and saved unchanged, it stays exactly the same.
    SenderQuery q;
    q.edit(1)->setText("'Neil \"Q\" 5%_");
    q.query();
    QCOMPARE(q.listed(), QStringList({odd[0]}));
    Opened opened;
    saveEdits(modals, {}, &opened);
    q.run("M1");
    QCOMPARE(opened.loaded, odd);
    QCOMPARE(rowsOf("USender").first().section('|', 0, 11), row(odd, "否").section('|', 0, 11));
}

void TestContacts::conditionsMatchTextAndCodes()
{
    ProgramFolder folder;
    ContactStore::insert(SenderKind, contact("张三", "中国邮政 EMS", "0755-1", "月结"));
    ContactStore::insert(SenderKind, contact("李四", "招商银行", "021", "现付"));
    ContactStore::insert(SenderKind, contact("Azsb", "顺丰", "0755-2", "月结"));
    ContactStore::insert(SenderKind, contact("王五", "中国银行", "010"));
    SenderQuery q;
    const struct {
        QList<QPair<int, QString>> filters;
        QStringList listed;
    } cases[] = {
        {{{1, "zs"}}, {"Azsb", "张三"}}, // through NPY and through the name itself
        {{{4, "ZG"}}, {"王五", "张三"}}, // through DPY
        {{{4, "zs"}}, {"李四"}},
        {{{4, "EMS"}}, {"张三"}},
        {{{1, "zs"}, {4, "zg"}}, {"张三"}},
        {{{2, "0755"}, {11, "月结"}}, {"Azsb", "张三"}},
        {{{1, "张"}, {4, "招"}}, {}},
        {{{1, "'"}}, {}},
        {{{9, ""}}, {"王五", "Azsb", "李四", "张三"}}, // ticked and empty: matches everything
    };
    for (const auto& c : cases) {
        q.filter(c.filters);
        QCOMPARE(q.listed(), c.listed);
        QCOMPARE(q.label(), QStringLiteral("记录：%1").arg(c.listed.size()));
    }
}

void TestContacts::listingAndDelete()
{
    ProgramFolder folder;
    for (const char* name : {"甲", "乙", "丙", "丁"})
        ContactStore::insert(SenderKind, contact(name));
    ContactStore::softDelete(SenderKind, 2);
    MessageRecorder messages(true);
    ModalRecorder modals;
    SenderQuery q;
    QCOMPARE(q.grid()->model()->columnCount(), 0); // nothing listed before the first query
    q.edit(9)->setText("x");
    q.check(9)->setChecked(false);
    q.query();
    QCOMPARE(q.listed(), QStringList({"丁", "丙", "甲"}));
    QCOMPARE(q.label(), QString("记录：3"));
    QVERIFY(q.grid()->isColumnHidden(q.grid()->columnOf("ID")));
    QCOMPARE(q.grid()->selectionBehavior(), QAbstractItemView::SelectItems);

    q.selectRow(q.rowOf("丙"));
    q.run("D1");
    QCOMPARE(messages.last(), QString("确认要删除吗？该删除将不可恢复！"));
    QCOMPARE(rowsOf("USender")[2], row(contact("丙"), "是", "B"));
    QCOMPARE(q.listed(), QStringList({"丁", "甲"}));
    q.run("D1");
    q.run("D1");
    QCOMPARE(q.label(), QString("记录：0"));
    messages.clear();
    q.run("M1");
    q.run("D1");
    QVERIFY(messages.shown().isEmpty());
    QVERIFY(modals.opened.isEmpty());
    QCOMPARE(DM().QueryCount(SqlText("SELECT ID FROM USender WHERE (theDel = '是')")), 4);
}

void TestContacts::twinsUseTheirOwnTableAndWords_data()
{
    QTest::addColumn<bool>("sender");
    QTest::addColumn<QStringList>("tables");
    QTest::addColumn<QStringList>("words"); // entry, group, name label, edit, query, condition, column, class
    QTest::addColumn<QStringList>("messages");
    QTest::newRow("sender") << true << QStringList{"USender", "UAddressee"}
                            << QStringList{"寄件人录入", "寄件人信息", "寄  件  人：", "寄件人修改",
                                           "寄件人查询", "寄  件  人", "寄件人",       "TfrmSender"}
                            << QStringList{"寄件人 不能为空！", "寄件人 信息 保存成功！",
                                           "寄件人 已经存在，请重新录入！", "寄件人 信息 保存成功！"};
    QTest::newRow("recipient") << false << QStringList{"UAddressee", "USender"}
                               << QStringList{"收件人录入", "收件人信息", "收  件  人：", "收件人修改",
                                              "收件人查询", "收  件  人", "收件人",       "TfrmAddressee"}
                               << QStringList{"收件人 不能为空！", "收件人 信息 保存成功！",
                                              "收件人 已经存在，请重新录入！", "收件人 信息 保存成功！"};
}

void TestContacts::twinsUseTheirOwnTableAndWords()
{
    QFETCH(bool, sender);
    QFETCH(QStringList, tables);
    QFETCH(QStringList, words);
    QFETCH(QStringList, messages);
    ProgramFolder folder;
    MessageRecorder recorder;
    ModalRecorder modals;
    const Contact zhang = contact("张三", "中国邮政 EMS");
    for (const Contact& typed : {contact(""), zhang, zhang}) {
        std::unique_ptr<QDialog> dialog(sender ? static_cast<QDialog*>(new TfrmSender(nullptr))
                                               : new TfrmAddressee(nullptr));
        dialog->show();
        QCOMPARE(dialog->windowTitle(), words[0]);
        QCOMPARE(child<QGroupBox>(dialog.get(), "GroupBox1")->title(), words[1]);
        QCOMPARE(child<QLabel>(dialog.get(), "Label1")->text(), words[2]);
        fillAndSave(dialog.get(), typed);
    }
    QCOMPARE(rowsOf(tables[0]), QStringList({row(zhang, "否", "ZS", "ZGYZEMS")}));
    QVERIFY(rowsOf(tables[1]).isEmpty());

    std::unique_ptr<QueryWindow> query(sender ? static_cast<QueryWindow*>(new TfrmSender_Q) : new TfrmAddressee_Q);
    query->show();
    QCOMPARE(query->windowTitle(), words[4]);
    QCOMPARE(child<QCheckBox>(query.get(), "CheckBox1")->text(), words[5]);
    child<QLineEdit>(query.get(), "Edit1")->setText("zs");
    QTest::mouseClick(child(query.get(), "BitBtn1"), Qt::LeftButton);
    QCOMPARE(query->grid()->value(0, words[6]).toString(), QString("张三"));
    Opened opened;
    saveEdits(modals, {"张三丰"}, &opened);
    child<QAction>(query.get(), "M1")->trigger();
    QCOMPARE(QStringList({opened.title, opened.type}), QStringList({words[3], words[7]}));
    QCOMPARE(rowsOf(tables[0]), QStringList({row(contact("张三丰", "中国邮政 EMS"), "否", "ZSF", "ZGYZEMS")}));
    QCOMPARE(recorder.texts(), messages);
}

void TestContacts::menuOpensTheContactWindows()
{
    ProgramFolder folder;
    qApp->setQuitOnLastWindowClosed(false);
    ModalRecorder modals;
    TfrmMain main;
    main.show();
    const auto trigger = [&main](const char* name) { child<QAction>(&main, name)->trigger(); };
    trigger("N14");
    QTest::mouseClick(child(&main, "SpeedButton5"), Qt::LeftButton);
    trigger("N11");
    QTest::mouseClick(child(&main, "SpeedButton10"), Qt::LeftButton);
    QCOMPARE(modals.opened.size(), 4);
    for (int i = 0; i < 4; ++i) {
        QDialog* dialog = modals.opened[i];
        QCOMPARE(dialog->metaObject()->className(), i < 2 ? "TfrmSender" : "TfrmAddressee");
        QCOMPARE(dialog->parentWidget(), &main);
        QVERIFY((dialog->frameGeometry().center() - main.frameGeometry().center()).manhattanLength() < 4);
    }

    for (const char* name : {"N15", "N13", "N15"})
        trigger(name);
    QStringList opened;
    for (QMdiSubWindow* window : main.mdiArea()->subWindowList())
        opened << window->widget()->metaObject()->className();
    QCOMPARE(opened, QStringList({"TfrmSender_Q", "TfrmAddressee_Q", "TfrmSender_Q"}));
    QVERIFY(main.mdiArea()->activeSubWindow()->isMaximized());
}

void TestContacts::aSaveOverAnotherPcsChangeIsRefused_data() { AnotherPcChangesOrDeletes_data(); }

void TestContacts::aSaveOverAnotherPcsChangeIsRefused()
{
    QFETCH(QString, command);
    const bool deleted = command == "D1";
    ProgramFolder first;
    ContactStore::insert(AddresseeKind, contact("张三", "顺丰", "111"));
    MessageRecorder messages;
    ModalRecorder modals;
    QueryDriver<TfrmAddressee_Q> mine(QStringLiteral("收件人"));
    mine.query();
    mine.run("M1");
    QPointer<TfrmAddressee> dialog = modals.lastOf<TfrmAddressee>();
    box(dialog, 3)->setText("13900000000");
    OnAnotherPc(first, [&] {
        QueryDriver<TfrmAddressee_Q> other(QStringLiteral("收件人"));
        other.query();
        Opened opened;
        saveEdits(modals, {QString(), "222"}, &opened);
        other.run(qPrintable(command));
    });
    QTest::mouseClick(child(dialog, "BitBtn1"), Qt::LeftButton);
    QVERIFY(dialog && dialog->isVisible());
    QCOMPARE(box(dialog, 3)->text(), QString("13900000000"));
    QVERIFY(messages.last().startsWith(deleted ? "这个收件人已被删除" : "这个收件人在您打开之后已被修改"));
    QCOMPARE(rowsOf("UAddressee"),
             QStringList({row(contact("张三", "顺丰", deleted ? "111" : "222"), deleted ? "是" : "否", "ZS", "SF")}));
}

ORVANE_TEST_MAIN(TestContacts)
#include "tst_contacts.moc"
