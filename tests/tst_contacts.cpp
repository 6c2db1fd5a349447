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
#include "Unit1.h"

#include <QGroupBox>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QSqlQuery>

class TestContacts : public QObject {
    Q_OBJECT
private slots:
    void init();
    // Entry
    void newContactIsStoredWithItsCodes();
    void newContactDuplicateRule_data();
    void newContactDuplicateRule();
    void editSavesWithoutLookUpAndRewritesCodes();
    void exitWritesNothing_data();
    void exitWritesNothing();
    void enterInABoxDoesNotSave();
    void quotesAndWildcardsRoundTrip();
    // Query
    void conditionsMatchTextAndCodes();
    void noTickListsEveryLiveContactNewestFirst();
    void deleteMarksTheRowAndEmptiesTheList();
    void twinsUseTheirOwnTableAndWords_data();
    void twinsUseTheirOwnTableAndWords();
    // Main window
    void menuOpensTheContactWindows();
};

namespace {

using Contact = QStringList; // the eleven boxes' texts, Edit1 to Edit11

Contact contact(const QString& name, const QString& dept = QString(), const QString& phone = QString(),
                const QString& mobile = QString(), const QString& remark = QString())
{
    return {name, phone, mobile, dept, "", "", "", "", "", "", remark};
}

// Every row of a contact table as "name|phone|…|remark|theDel|NPY|DPY", in ID order.
QStringList rowsOf(const QString& table)
{
    QSqlQuery query = DM().run(SqlText(QStringLiteral("SELECT theName, thePhone, theMob, theDept, theANum, theA1, "
                                                      "theA2, theA3, theAdd, thePNum, Remark, theDel, NPY, DPY "
                                                      "FROM %1 ORDER BY ID")
                                           .arg(table)));
    QStringList rows;
    while (query.next()) {
        QStringList fields;
        for (int i = 0; i < 14; ++i)
            fields << query.value(i).toString();
        rows << fields.join('|');
    }
    return rows;
}

QString row(const Contact& c, const QString& deleted, const QString& npy, const QString& dpy)
{
    return (c + QStringList{deleted, npy, dpy}).join('|');
}

LimitedEdit* box(QWidget* dialog, int n)
{
    return child<LimitedEdit>(dialog, QByteArray("Edit" + QByteArray::number(n)));
}

void fill(QWidget* dialog, const Contact& c)
{
    for (int i = 0; i < c.size(); ++i)
        if (!c[i].isNull())
            box(dialog, i + 1)->setText(c[i]);
}

void fillAndSave(QWidget* dialog, const Contact& c)
{
    fill(dialog, c);
    QTest::mouseClick(child(dialog, "BitBtn1"), Qt::LeftButton);
}

// What the edit dialog showed when "修改 &M" opened it.
struct Opened {
    QString title;
    QString type;
    Contact loaded;
};

// The edit dialog opened from a query's "修改 &M" gets these texts (a null text keeps the
// box as loaded) and is saved.
void saveEdits(ModalRecorder& modals, const Contact& changes, Opened* opened = nullptr)
{
    modals.onOpen = [changes, opened](QDialog* dialog) {
        if (opened) {
            opened->title = dialog->windowTitle();
            opened->type = QLatin1String(dialog->metaObject()->className());
            opened->loaded.clear();
            for (int n = 1; n <= 11; ++n)
                opened->loaded << box(dialog, n)->text();
        }
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

void TestContacts::init()
{
    Unit1::setCurrentUserName(QString());
    qApp->setQuitOnLastWindowClosed(false);
}

void TestContacts::newContactIsStoredWithItsCodes()
{
    ProgramFolder folder;
    MessageRecorder messages;
    TfrmSender dialog(nullptr);
    dialog.show();

    // Boxes are reached in table order, then the two buttons.
    QStringList tabOrder;
    for (QWidget* w = box(&dialog, 1); tabOrder.size() < 12;) {
        w = w->nextInFocusChain();
        if (w->focusPolicy() & Qt::TabFocus)
            tabOrder << w->objectName();
    }
    QCOMPARE(tabOrder, QStringList({"Edit2", "Edit3", "Edit4", "Edit5", "Edit6", "Edit7", "Edit8", "Edit9", "Edit10",
                                    "Edit11", "BitBtn1", "BitBtn2"}));
    // Every label and box lies inside the group, and no label runs into its box.
    auto* group = child<QGroupBox>(&dialog, "GroupBox1");
    QVERIFY(dialog.rect().contains(group->geometry()));
    for (int n = 1; n <= 11; ++n) {
        auto* label = child<QLabel>(group, QByteArray("Label" + QByteArray::number(n)));
        QVERIFY2(group->rect().contains(box(&dialog, n)->geometry()), qPrintable(label->text()));
        QVERIFY2(label->geometry().right() < box(&dialog, n)->x(), qPrintable(label->text()));
    }

    const Contact zhang = {"张三",   "0755-1234", "13800000000",   "中国邮政 EMS", "0755", "广东省",
                           "深圳市", "福田区",    "深南大道 1 号", "518000",       "月结"};
    fillAndSave(&dialog, zhang);
    QCOMPARE(messages.texts(), QStringList({"寄件人 信息 保存成功！"}));
    QVERIFY(!dialog.isVisible());
    QCOMPARE(rowsOf("USender"), QStringList({row(zhang, "否", "ZS", "ZGYZEMS")}));
    QVERIFY(rowsOf("UAddressee").isEmpty());
}

void TestContacts::newContactDuplicateRule_data()
{
    QTest::addColumn<Contact>("typed");
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("liveAfter");
    // Stored before: 张三 at 顺丰, 李四 with no organisation, 王五 at 申通 soft-deleted.
    const QString empty("寄件人 不能为空！");
    const QString exists("寄件人 已经存在，请重新录入！");
    const QString saved("寄件人 信息 保存成功！");
    QTest::newRow("empty name") << contact("", "顺丰") << empty << 2;
    QTest::newRow("same name and organisation") << contact("张三", "顺丰", "999") << exists << 2;
    QTest::newRow("both organisations empty") << contact("李四") << exists << 2;
    QTest::newRow("another organisation") << contact("张三", "申通") << saved << 3;
    QTest::newRow("organisation only on one") << contact("李四", "顺丰") << saved << 3;
    QTest::newRow("name differs in a space") << contact("张三 ", "顺丰") << saved << 3;
    QTest::newRow("twin only soft-deleted") << contact("王五", "申通") << saved << 3;
    QTest::newRow("spaces are a name") << contact("  ") << saved << 3;
}

void TestContacts::newContactDuplicateRule()
{
    QFETCH(Contact, typed);
    QFETCH(QString, message);
    QFETCH(int, liveAfter);
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
    QCOMPARE(DM().QueryCount(SqlText("SELECT ID FROM USender WHERE (theDel = '否')")), liveAfter);
    const bool refused = liveAfter == 2;
    QCOMPARE(dialog.isVisible(), refused);
    if (refused) {
        QCOMPARE(rowsOf("USender"), before);
        QCOMPARE(dialog.focusWidget(), box(&dialog, 1));
    } else {
        QCOMPARE(rowsOf("USender").last().section('|', 0, 11), (typed + QStringList{"否"}).join('|'));
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
    SenderQuery all;
    all.query();
    SenderQuery li;
    li.edit(1)->setText("李");
    li.query();

    // A phone change alone writes the codes afresh; the filter of the opener still holds.
    Opened opened;
    saveEdits(modals, {QString(), "333"}, &opened);
    li.run("M1");
    QCOMPARE(opened.title, QString("寄件人修改"));
    QCOMPARE(rowsOf("USender")[1], row(contact("李四", "顺丰", "333"), "否", "LS", "SF"));
    QCOMPARE(li.listed("电话号码"), QStringList({"333"}));

    // Turned into the other contact's name and organisation: saved, no look-up, and gone
    // from the list whose filter it no longer matches.
    saveEdits(modals, {"张三", QString(), QString(), "中国邮政"});
    li.run("M1");
    QCOMPARE(rowsOf("USender")[1], row(contact("张三", "中国邮政", "333"), "否", "ZS", "ZGYZ"));
    QCOMPARE(li.listed(), QStringList());
    QCOMPARE(li.label(), QString("记录：0"));
    QCOMPARE(messages.texts(), QStringList({"寄件人 信息 保存成功！", "寄件人 信息 保存成功！"}));
    // The other window keeps its listing until it queries again.
    QCOMPARE(all.listed(), QStringList({"李四", "张三"}));
    all.query();
    QCOMPARE(all.listed(), QStringList({"张三", "张三"}));
}

void TestContacts::exitWritesNothing_data()
{
    QTest::addColumn<bool>("editing");
    QTest::addColumn<bool>("closeBox");
    QTest::newRow("new, exit button") << false << false;
    QTest::newRow("new, close box") << false << true;
    QTest::newRow("edit, exit button") << true << false;
    QTest::newRow("edit, close box") << true << true;
}

void TestContacts::exitWritesNothing()
{
    QFETCH(bool, editing);
    QFETCH(bool, closeBox);
    ProgramFolder folder;
    ContactStore::insert(AddresseeKind, contact("张三", "顺丰"));
    const QStringList before = rowsOf("UAddressee");
    MessageRecorder messages;
    TfrmAddressee dialog(nullptr);
    if (editing)
        dialog.EditID = 1;
    dialog.show();
    fill(&dialog, contact("李四", "申通"));
    if (closeBox)
        dialog.close();
    else
        QTest::mouseClick(child(&dialog, "BitBtn2"), Qt::LeftButton);

    QVERIFY(!dialog.isVisible());
    QVERIFY(messages.shown().isEmpty());
    QCOMPARE(rowsOf("UAddressee"), before);
}

void TestContacts::enterInABoxDoesNotSave()
{
    ProgramFolder folder;
    MessageRecorder messages;
    TfrmSender dialog(nullptr);
    dialog.show();
    fill(&dialog, contact("张三", "顺丰"));
    // Also after the save button has had the focus once.
    child(&dialog, "BitBtn1")->setFocus();
    for (int n = 1; n <= 11; ++n) {
        box(&dialog, n)->setFocus();
        QTest::keyClick(box(&dialog, n), Qt::Key_Return);
        QTest::keyClick(box(&dialog, n), Qt::Key_Enter);
    }
    QVERIFY(dialog.isVisible());
    QVERIFY(messages.shown().isEmpty());
    QVERIFY(rowsOf("USender").isEmpty());
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
    QCOMPARE(rowsOf("USender").first().section('|', 0, 11), (odd + QStringList{"否"}).join('|'));

    // Listed, loaded into the edit dialog and saved unchanged, it stays exactly the same.
    SenderQuery q;
    q.edit(1)->setText("'Neil \"Q\" 5%_");
    q.query();
    QCOMPARE(q.listed(), QStringList({odd[0]}));
    Opened opened;
    saveEdits(modals, {}, &opened);
    q.run("M1");
    QCOMPARE(opened.loaded, odd);
    QCOMPARE(rowsOf("USender").first().section('|', 0, 11), (odd + QStringList{"否"}).join('|'));
}

void TestContacts::conditionsMatchTextAndCodes()
{
    ProgramFolder folder;
    ContactStore::insert(SenderKind, contact("张三", "中国邮政 EMS", "0755-1", "138", "月结"));
    ContactStore::insert(SenderKind, contact("李四", "招商银行", "021", "139", "现付"));
    ContactStore::insert(SenderKind, contact("Azsb", "顺丰", "0755-2", "137", "月结"));
    ContactStore::insert(SenderKind, contact("王五", "中国银行", "010", "136"));
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
        {{{2, "0755"}, {3, "138"}}, {"张三"}},
        {{{1, "张"}, {4, "招"}}, {}},
        {{{1, "'"}}, {}},
    };
    for (const auto& c : cases) {
        q.filter(c.filters);
        QCOMPARE(q.listed(), c.listed);
        QCOMPARE(q.label(), QStringLiteral("记录：%1").arg(c.listed.size()));
    }
}

void TestContacts::noTickListsEveryLiveContactNewestFirst()
{
    ProgramFolder folder;
    for (const char* name : {"甲", "乙", "丙", "丁"})
        ContactStore::insert(SenderKind, contact(name));
    ContactStore::softDelete(SenderKind, 2);
    SenderQuery q;
    QCOMPARE(q.grid()->model()->columnCount(), 0); // nothing listed before the first query
    q.query();
    QCOMPARE(q.listed(), QStringList({"丁", "丙", "甲"}));
    QCOMPARE(q.label(), QString("记录：3"));
    QVERIFY(q.grid()->isColumnHidden(q.grid()->columnOf("ID")));
    QCOMPARE(q.grid()->selectionBehavior(), QAbstractItemView::SelectItems);

    // A box typed in and cleared again stays ticked and matches everything.
    q.edit(9)->setText("x");
    q.edit(9)->clear();
    QVERIFY(q.check(9)->isChecked());
    q.query();
    QCOMPARE(q.label(), QString("记录：3"));
}

void TestContacts::deleteMarksTheRowAndEmptiesTheList()
{
    ProgramFolder folder;
    ContactStore::insert(SenderKind, contact("张三"));
    ContactStore::insert(SenderKind, contact("李四"));
    MessageRecorder messages(true);
    ModalRecorder modals;
    SenderQuery q;
    q.query();
    q.selectRow(q.rowOf("张三"));
    q.run("D1");
    QCOMPARE(messages.last(), QString("确认要删除吗？该删除将不可恢复！"));
    QCOMPARE(rowsOf("USender"),
             QStringList({row(contact("张三"), "是", "ZS", ""), row(contact("李四"), "否", "LS", "")}));
    QCOMPARE(q.listed(), QStringList({"李四"}));

    q.run("D1");
    QCOMPARE(q.label(), QString("记录：0"));
    messages.clear();
    q.run("M1");
    q.run("D1");
    QVERIFY(messages.shown().isEmpty());
    QVERIFY(modals.opened.isEmpty());
    QCOMPARE(DM().QueryCount(SqlText("SELECT ID FROM USender WHERE (theDel = '是')")), 2);
}

void TestContacts::twinsUseTheirOwnTableAndWords_data()
{
    QTest::addColumn<bool>("sender");
    QTest::addColumn<QString>("table");
    QTest::addColumn<QString>("otherTable");
    QTest::addColumn<QStringList>("words"); // entry, group, name label, edit, query, condition, column
    QTest::addColumn<QStringList>("messages");
    QTest::newRow("sender") << true << QString("USender") << QString("UAddressee")
                            << QStringList{"寄件人录入", "寄件人信息", "寄  件  人：", "寄件人修改",
                                           "寄件人查询", "寄  件  人", "寄件人"}
                            << QStringList{"寄件人 不能为空！", "寄件人 信息 保存成功！",
                                           "寄件人 已经存在，请重新录入！", "寄件人 信息 保存成功！"};
    QTest::newRow("recipient") << false << QString("UAddressee") << QString("USender")
                               << QStringList{"收件人录入", "收件人信息", "收  件  人：", "收件人修改",
                                              "收件人查询", "收  件  人", "收件人"}
                               << QStringList{"收件人 不能为空！", "收件人 信息 保存成功！",
                                              "收件人 已经存在，请重新录入！", "收件人 信息 保存成功！"};
}

void TestContacts::twinsUseTheirOwnTableAndWords()
{
    QFETCH(bool, sender);
    QFETCH(QString, table);
    QFETCH(QString, otherTable);
    QFETCH(QStringList, words);
    QFETCH(QStringList, messages);
    ProgramFolder folder;
    MessageRecorder recorder;
    ModalRecorder modals;
    const auto newDialog = [sender]() -> std::unique_ptr<QDialog> {
        if (sender)
            return std::make_unique<TfrmSender>(nullptr);
        return std::make_unique<TfrmAddressee>(nullptr);
    };
    for (const Contact& typed : {contact(""), contact("张三", "顺丰"), contact("张三", "顺丰")}) {
        auto dialog = newDialog();
        dialog->show();
        QCOMPARE(dialog->windowTitle(), words[0]);
        QCOMPARE(child<QGroupBox>(dialog.get(), "GroupBox1")->title(), words[1]);
        QCOMPARE(child<QLabel>(dialog.get(), "Label1")->text(), words[2]);
        fillAndSave(dialog.get(), typed);
    }
    QCOMPARE(rowsOf(table), QStringList({row(contact("张三", "顺丰"), "否", "ZS", "SF")}));
    QVERIFY(rowsOf(otherTable).isEmpty());

    std::unique_ptr<QueryWindow> query;
    if (sender)
        query = std::make_unique<TfrmSender_Q>();
    else
        query = std::make_unique<TfrmAddressee_Q>();
    query->show();
    QCOMPARE(query->windowTitle(), words[4]);
    QCOMPARE(child<QCheckBox>(query.get(), "CheckBox1")->text(), words[5]);
    child<QLineEdit>(query.get(), "Edit1")->setText("zs");
    QTest::mouseClick(child(query.get(), "BitBtn1"), Qt::LeftButton);
    QCOMPARE(query->grid()->value(0, words[6]).toString(), QString("张三"));
    Opened opened;
    saveEdits(modals, {"张三丰"}, &opened);
    query->findChild<QAction*>("M1")->trigger();
    QCOMPARE(opened.type, QString(sender ? "TfrmSender" : "TfrmAddressee"));
    QCOMPARE(opened.title, words[3]);
    QCOMPARE(rowsOf(table), QStringList({row(contact("张三丰", "顺丰"), "否", "ZSF", "SF")}));
    QCOMPARE(recorder.texts(), messages);
}

void TestContacts::menuOpensTheContactWindows()
{
    ProgramFolder folder;
    ModalRecorder modals;
    TfrmMain main;
    main.show();
    const auto trigger = [&main](const char* name) { main.findChild<QAction*>(QLatin1String(name))->trigger(); };

    trigger("N14");
    QTest::mouseClick(child(&main, "SpeedButton5"), Qt::LeftButton);
    trigger("N11");
    QTest::mouseClick(child(&main, "SpeedButton10"), Qt::LeftButton);
    QCOMPARE(modals.opened.size(), 4);
    for (int i = 0; i < 4; ++i) {
        QDialog* dialog = modals.opened[i];
        QCOMPARE(bool(qobject_cast<TfrmSender*>(dialog)), i < 2);
        QCOMPARE(bool(qobject_cast<TfrmAddressee*>(dialog)), i >= 2);
        QCOMPARE(dialog->parentWidget(), &main);
        QCOMPARE(dialog->windowTitle(), i < 2 ? QString("寄件人录入") : QString("收件人录入"));
        QVERIFY((dialog->frameGeometry().center() - main.frameGeometry().center()).manhattanLength() < 4);
    }

    trigger("N15");
    trigger("N13");
    trigger("N15");
    const QList<QMdiSubWindow*> windows = main.mdiArea()->subWindowList();
    QCOMPARE(windows.size(), 3);
    QVERIFY(qobject_cast<TfrmSender_Q*>(windows[0]->widget()));
    QVERIFY(qobject_cast<TfrmAddressee_Q*>(windows[1]->widget()));
    QVERIFY(qobject_cast<TfrmSender_Q*>(windows[2]->widget()));
    QVERIFY(windows[0]->widget() != windows[2]->widget());
    QVERIFY(main.mdiArea()->activeSubWindow()->isMaximized());
}

ORVANE_TEST_MAIN(TestContacts)
#include "tst_contacts.moc"
