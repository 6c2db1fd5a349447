// Waybill entry with its contact look-up and pickers, and the waybill query, driven
// through their windows over a real database in a temporary program folder.
#include "TestSupport.h"

#include "ContactStore.h"
#include "Controls.h"
#include "CourierStore.h"
#include "DM.h"
#include "DateText.h"
#include "E_In.h"
#include "E_Q.h"
#include "FindContact.h"
#include "LookupCombo.h"
#include "P3.h"
#include "Printing.h"
#include "SqlDialect.h"
#include "Unit1.h"
#include "WaybillPrint.h"
#include "WaybillStore.h"

#include <QClipboard>
#include <QDateEdit>
#include <QProcess>
#include <QProgressDialog>
#include <QRegularExpression>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTimer>

class TestWaybills : public QObject {
    Q_OBJECT
private slots:
    void init();
    // Look-up and pickers
    void lookupMatches_data();
    void lookupMatches();
    void oneMatchFillsTheBlockAndMovesOn();
    void noMatchSaysSoAndMovesOn();
    void lookupTakesTheExactNameThenTheRecent();
    void pasteReplacesTheWholeBlock();
    void pickerTakesTheRowOnEnterOrDoubleClick_data();
    void pickerTakesTheRowOnEnterOrDoubleClick();
    void pickerEscTypingAndCloseChangeNothing();
    // Save
    void saveRefusesInOrder();
    void newWaybillIsStoredFiledAndPrinted();
    void filingSkipsALiveTwinOnly();
    void failureAfterTheWaybillLeavesNothing();
    void printWindowGetsThisInsertsIdNotTheNewest();
    void continuousAddKeepsTheSenderAndTheTick();
    void aWaybillFromTheKeyboardAlone();
    void changeRewritesTheRowAndRelistsTheOpener();
    void aSaveOverAChangeMeanwhileWritesNothing_data();
    void aSaveOverAChangeMeanwhileWritesNothing();
    void aLostServerKeepsTheWaybillForAnotherSave();
    // Query
    void eachConditionNarrows_data();
    void eachConditionNarrows();
    void companyTickedWithoutNameListsEmptyCompanies();
    void deleteRelistsWithThePreviousFilter();
    void printFromTheQueryPrintsThatWaybillAndCountsIt();
    // Batch printing and the print log
    void batchPrintsTheWholeListInOneJobAndLogsIt();
    void batchPrintsInTheOrderShown();
    void nameTitlesSortByPinyinAcrossPages();
    void cancelledBatchLogsOnlyItsPrintedPages();
    void batchSkipsWaybillsDeletedMeanwhileAndStopsForAGoneCompany();
    void singlePrintIsLoggedButATestPrintIsNot();
    void pagesTheLogRefusedAreLoggedOnceItAnswers();

private:
    std::unique_ptr<ProgramFolder> m_folder;
};

namespace {

using Dialog = TfrmE_In;

qint64 addContact(const ContactKind& kind, const QString& name, const QString& phone, const QString& dept,
                  const QString& address = QStringLiteral("地址"))
{
    return ContactStore::insert(kind, {name, phone, "1390000" + phone.right(4), dept, "0755", "广东", "深圳", "南山",
                                       address, "518000", "备注"});
}

QString one(const QString& sql, const QVariantList& values = {})
{
    return QueryValue(SqlText(sql, values)).toString();
}

LimitedEdit* box(QWidget* w, const QString& name) { return child<LimitedEdit>(w, name.toLatin1().constData()); }

// Fills a whole waybill: sender, recipient, company and the courier boxes.
void fill(Dialog& d, const QString& sender = "张三", const QString& addressee = "李四",
          const QString& company = "顺丰速运")
{
    box(&d, "JEd1")->setText(sender);
    box(&d, "JEd4")->setText("中国邮政");
    box(&d, "SEd1")->setText(addressee);
    box(&d, "SEd9")->setText("北京路1号");
    auto* list = child<LookupCombo>(&d, "DBLookupComboBox1");
    list->setCurrentIndex(list->findText(company));
    for (int i = 1; i <= 6; ++i)
        box(&d, QStringLiteral("Edit%1").arg(i))->setText(QStringLiteral("e%1 '%_").arg(i));
}

void save(Dialog& d) { QTest::mouseClick(child(&d, "BitBtn1"), Qt::LeftButton); }

// Shown and active, so that where the focus goes can be seen.
void showActive(QWidget& w)
{
    w.show();
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
}

int count(const QString& sql) { return DM().QueryCount(SqlText(sql)); }

void addWaybills(int count, const QString& company)
{
    for (int i = 1; i <= count; ++i)
        DM().ExecSql(SqlText("INSERT INTO UE (ENum, EName, SName) VALUES (?, ?, ?)",
                             {QString::number(i), company, QStringLiteral("收件%1号").arg(i)}));
}

} // namespace

void TestWaybills::init()
{
    m_folder = std::make_unique<ProgramFolder>();
    Unit1::setCurrentUserName(QStringLiteral("admin"));
    CourierStore::createCompany({"顺丰速运", "", "", "", "", ""});
    CourierStore::createCompany({"圆通速递", "", "", "", "", ""});
}

void TestWaybills::lookupMatches_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QStringList>("listed");
    QTest::newRow("part of a phone") << "JEd2" << "8888" << QStringList{"王五", "张三"};
    QTest::newRow("all four empty") << "JEd1" << "" << QStringList{"王五", "赵六", "张三"};
    QTest::newRow("pinyin initials, lower case") << "JEd1" << "z" << QStringList{"赵六", "张三"};
    QTest::newRow("organisation by its code") << "JEd4" << "zgyz" << QStringList{"赵六", "张三"};
}

void TestWaybills::lookupMatches()
{
    QFETCH(QString, field);
    QFETCH(QString, typed);
    QFETCH(QStringList, listed);
    addContact(SenderKind, "张三", "010-88881", "中国邮政");
    addContact(SenderKind, "赵六", "010-77771", "中国邮政储蓄");
    addContact(SenderKind, "王五", "020-88882", "顺丰");
    ContactStore::softDelete(SenderKind, addContact(SenderKind, "张删", "010-88883", "中国邮政"));
    addContact(AddresseeKind, "张三收", "010-88884", "中国邮政"); // the other book is never searched
    ModalRecorder modals;
    Dialog d(nullptr);
    d.show();
    box(&d, field)->setText(typed);
    QTest::keyClick(box(&d, field), Qt::Key_Return);

    auto* picker = modals.lastOf<TfrmFindJJR>();
    QVERIFY(picker);
    QCOMPARE(picker->windowTitle(), QString("寄件人查找"));
    QStringList names;
    for (int row = 0; row < picker->grid()->rowCount(); ++row)
        names << picker->grid()->value(row, "寄件人").toString();
    QCOMPARE(names, listed);
}

void TestWaybills::oneMatchFillsTheBlockAndMovesOn()
{
    addContact(AddresseeKind, "李四", "021-5555", "上海公司");
    ModalRecorder modals;
    MessageRecorder messages;
    Dialog d(nullptr);
    showActive(d);
    box(&d, "SEd1")->setText("ls");
    box(&d, "SEd9")->setText("typed over");
    QTest::mouseDClick(box(&d, "SEd1"), Qt::LeftButton);

    QVERIFY(modals.opened.isEmpty());
    QVERIFY(messages.shown().isEmpty());
    QStringList block;
    for (int i = 1; i <= 10; ++i)
        block << box(&d, QStringLiteral("SEd%1").arg(i))->text();
    QCOMPARE(block, QStringList({"李四", "021-5555", "13900005555", "上海公司", "0755", "广东", "深圳", "南山", "地址",
                                 "518000"}));
    QCOMPARE(QApplication::focusWidget(), child(&d, "DBLookupComboBox1"));
}

void TestWaybills::noMatchSaysSoAndMovesOn()
{
    addContact(SenderKind, "张三", "010", "甲");
    MessageRecorder messages;
    Dialog d(nullptr);
    showActive(d);
    box(&d, "JEd3")->setText("no such");
    QTest::keyClick(box(&d, "JEd3"), Qt::Key_Enter);
    QCOMPARE(messages.texts(), QStringList({"寄件人 不存在，请直接录入！"}));
    QCOMPARE(box(&d, "JEd3")->text(), QString("no such"));
    QCOMPARE(box(&d, "JEd1")->text(), QString());
    QCOMPARE(QApplication::focusWidget(), box(&d, "JEd4")); // what is typed next goes on, not onto "no such"
}

void TestWaybills::lookupTakesTheExactNameThenTheRecent()
{
    // Filed from the waybills numbered (0: by hand) in this order; 张三丰0 is the newest.
    const QList<QPair<QString, qint64>> filed = {{"张三", 0},   {"赵四", 0},    {"陈静", 1},    {"张三丰7", 2},
                                                 {"陈静晓", 3}, {"张三丰9", 4}, {"张三丰0", 0}, {"张三", 5}};
    for (const auto& [name, waybill] : filed)
        ContactStore::file(SenderKind, {name, name + "的电话", "", "", "", "", "", "", "", ""}, waybill);
    ModalRecorder modals;
    Dialog d(nullptr);
    d.show();
    const auto lookUp = [&](const QString& typed) {
        for (int i = 1; i <= 4; ++i)
            box(&d, QStringLiteral("JEd%1").arg(i))->setText(i == 1 ? typed : "");
        QTest::keyClick(box(&d, "JEd1"), Qt::Key_Return);
        QStringList names{box(&d, "JEd2")->text()};
        for (int row = 0; !modals.opened.isEmpty() && row < 5; ++row)
            names << modals.lastOf<TfrmFindJJR>()->grid()->value(row, "寄件人").toString();
        return names;
    };
    // A whole name that one contact has is taken, though a longer one was used since.
    QCOMPARE(lookUp("陈静"), QStringList({"陈静的电话"}));
    // Exactly the initials typed first, then by the last use.
    QCOMPARE(lookUp("zs"), QStringList({"", "张三", "赵四", "张三丰9", "张三丰7", "张三丰0"}));
    // Two of that name: the picker opens on the one used last, not on the newer.
    ContactStore::insert(SenderKind, {"陈静", "", "", "上海公司", "", "", "", "", "", "", ""});
    QCOMPARE(lookUp("陈静").mid(1, 3), QStringList({"陈静", "陈静", "陈静晓"}));
    QCOMPARE(modals.lastOf<TfrmFindJJR>()->grid()->value("电话号码").toString(), QString("陈静的电话"));
}

void TestWaybills::pasteReplacesTheWholeBlock()
{
    addContact(AddresseeKind, "陈静", "010-23456789", "北京公司");
    ModalRecorder modals;
    MessageRecorder messages;
    Dialog d(nullptr);
    d.show();
    fill(d, "张三", "陈静");
    QTest::keyClick(box(&d, "SEd1"), Qt::Key_Return); // the block holds 陈静 of Beijing
    QApplication::clipboard()->setText("刘洋 13600001234 广东省深圳市南山区科苑路15号 518057");
    QTest::mouseClick(child(&d, "SPaste"), Qt::LeftButton);
    save(d);
    // Nothing of 陈静 is saved or filed; the sender's organisation has a code, this recipient's none.
    QCOMPARE(
        RowsOf(SqlText("SELECT SName, SPhone, SMob, SDept, SANum, SA1, SA2, SA3, SAdd, SPNum, SDPY FROM UE UNION ALL "
                       "SELECT theName, thePhone, theMob, theDept, theANum, theA1, theA2, theA3, theAdd, thePNum, "
                       "'' FROM UAddressee WHERE theName = '刘洋'")),
        QStringList(2, "刘洋||13600001234|||广东省|深圳市|南山区|科苑路15号|518057|"));
}

void TestWaybills::pickerTakesTheRowOnEnterOrDoubleClick_data()
{
    QTest::addColumn<bool>("enter");
    QTest::newRow("Enter") << true;
    QTest::newRow("double-click") << false;
}

void TestWaybills::pickerTakesTheRowOnEnterOrDoubleClick()
{
    QFETCH(bool, enter);
    addContact(SenderKind, "张一", "1", "甲", "");
    addContact(SenderKind, "张二", "2", "乙");
    ModalRecorder modals;
    modals.onOpen = [enter](QDialog* picker) {
        auto* grid = child<DataGrid>(picker, "DBGrid1");
        grid->setCurrentIndex(grid->model()->index(1, 0)); // the older one: 张一, without an address
        if (enter)
            QTest::keyClick(grid, Qt::Key_Return);
        else
            QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(grid->currentIndex()).center());
        return int(QDialog::Accepted);
    };
    Dialog d(nullptr);
    showActive(d);
    box(&d, "JEd9")->setText("typed address");
    box(&d, "JEd1")->setText("张");
    QTest::keyClick(box(&d, "JEd1"), Qt::Key_Return);

    QCOMPARE(box(&d, "JEd1")->text(), QString("张一"));
    QCOMPARE(box(&d, "JEd9")->text(), QString()); // the contact's empty address replaces the typed one
    QVERIFY(!modals.opened.first() || !modals.opened.first()->isVisible()); // the picker closed
    QCOMPARE(d.focusWidget(), box(&d, "SEd1")); // where the focus is once the entry is active again
}

void TestWaybills::pickerEscTypingAndCloseChangeNothing()
{
    addContact(AddresseeKind, "王一", "1", "甲");
    addContact(AddresseeKind, "王二", "2", "乙");
    for (const char* way : {"Esc", "typing", "close box"}) {
        ModalRecorder modals;
        modals.onOpen = [way](QDialog* picker) {
            auto* grid = child<DataGrid>(picker, "DBGrid1");
            if (QByteArray(way) == "Esc")
                QTest::keyClick(grid, Qt::Key_Escape);
            else if (QByteArray(way) == "typing")
                QTest::keyClicks(grid, "ab1");
            else
                picker->close();
            return picker->result();
        };
        Dialog d(nullptr);
        d.show();
        box(&d, "SEd1")->setText("王");
        QTest::keyClick(box(&d, "SEd1"), Qt::Key_Return);
        QCOMPARE(box(&d, "SEd1")->text(), QString("王"));
        QCOMPARE(box(&d, "SEd2")->text(), QString());
        QCOMPARE(bool(modals.opened.first() && modals.opened.first()->isVisible()), QByteArray(way) == "typing");
    }
}

void TestWaybills::saveRefusesInOrder()
{
    MessageRecorder messages;
    Dialog d(nullptr);
    showActive(d);
    const QList<QPair<QString, QString>> steps = {{"JEd1", "寄件人 不能为空！"},
                                                  {"SEd1", "收件人 不能为空！"},
                                                  {"DBLookupComboBox1", "请选择 快递公司！"}};
    for (const auto& [field, message] : steps) {
        messages.clear();
        save(d);
        QCOMPARE(messages.texts(), QStringList({message}));
        QCOMPARE(QApplication::focusWidget(), child(&d, field.toLatin1().constData()));
        if (auto* edit = qobject_cast<QLineEdit*>(child(&d, field.toLatin1().constData())))
            edit->setText("  "); // blanks are a name
    }
    QCOMPARE(count("SELECT ID FROM UE"), 0);
}

void TestWaybills::newWaybillIsStoredFiledAndPrinted()
{
    MessageRecorder messages;
    ModalRecorder modals;
    Dialog d(nullptr);
    d.show();
    fill(d);
    child<QDateEdit>(&d, "DateTimePicker1")->setDate(QDate(2026, 3, 31));
    save(d);

    QCOMPARE(messages.texts(), QStringList({"快递单 信息 保存成功！"}));
    QCOMPARE(one("SELECT theDel || '|' || UName || '|' || myDate || '|' || EName || '|' || ZDY3 || '|' || JNPY || "
                 "'|' || JDPY || '|' || SNPY FROM UE"),
             QString("否|admin|2026-03-31|顺丰速运|e5 '%_|ZS|ZGYZ|LS"));
    QCOMPARE(one("SELECT theName || '|' || theDept || '|' || Remark || '|' || NPY FROM USender"),
             QString("张三|中国邮政||ZS"));
    QCOMPARE(one("SELECT theAdd FROM UAddressee"), QString("北京路1号"));
    auto* print = modals.lastOf<TfrmP3>();
    QVERIFY(print);
    QCOMPARE(print->CompanyName, QString("顺丰速运"));
    QCOMPARE(print->WaybillId, one("SELECT ID FROM UE"));
    QVERIFY(!d.isVisible()); // without "连续新增" the window closes
}

void TestWaybills::filingSkipsALiveTwinOnly()
{
    addContact(SenderKind, "张三", "111", "中国邮政");
    addContact(AddresseeKind, "李四", "222", "别的单位");
    ModalRecorder modals;
    MessageRecorder messages;
    Dialog d(nullptr);
    d.show();
    fill(d);
    box(&d, "JEd2")->setText("999"); // another phone does not make another sender
    box(&d, "SEd4")->setText("中国邮政"); // another organisation makes another recipient
    save(d);
    QCOMPARE(one("SELECT group_concat(thePhone) FROM USender"), QString("111"));
    QCOMPARE(one("SELECT group_concat(theDept, '/') FROM (SELECT theDept FROM UAddressee ORDER BY ID) AS t"), QString("别的单位/中国邮政"));
}

void TestWaybills::failureAfterTheWaybillLeavesNothing()
{
    RefuseInserts("UAddressee");
    ModalRecorder modals;
    MessageRecorder messages;
    Dialog d(nullptr);
    d.show();
    fill(d);
    save(d);
    QCOMPARE(messages.shown().size(), 1);
    QCOMPARE(messages.shown().first().kind, MessageKind::Error);
    QCOMPARE(count("SELECT ID FROM UE") + count("SELECT ID FROM USender") + count("SELECT ID FROM UAddressee"), 0);
    QVERIFY(modals.opened.isEmpty());
    QVERIFY(d.isVisible());
    QCOMPARE(box(&d, "JEd1")->text(), QString("张三"));
}

void TestWaybills::printWindowGetsThisInsertsIdNotTheNewest()
{
    // Another writer's waybill lands between this insert and the end of the save.
    AfterEachInsert("USender", "INSERT INTO UE (JName, EName) VALUES ('其他用户', '圆通速递')");
    ModalRecorder modals;
    MessageRecorder messages;
    Dialog d(nullptr);
    d.show();
    fill(d);
    save(d);
    auto* print = modals.lastOf<TfrmP3>();
    QVERIFY(print);
    QCOMPARE(print->WaybillId, one("SELECT ID FROM UE WHERE JName = '张三'"));
    QCOMPARE(print->CompanyName, QString("顺丰速运"));
    QVERIFY(print->WaybillId != one("SELECT MAX(ID) FROM UE"));
}

void TestWaybills::continuousAddKeepsTheSenderAndTheTick()
{
    addWaybills(2, "圆通速递");
    DM().ExecSql(SqlText("UPDATE UE SET EName = '顺丰速运', theDel = '是' WHERE ENum = '2'"));
    ModalRecorder modals;
    modals.onOpen = [](QDialog* print) {
        print->close();
        return int(QDialog::Rejected);
    };
    MessageRecorder messages;
    Dialog d(nullptr);
    showActive(d);
    QCOMPARE(child<LookupCombo>(&d, "DBLookupComboBox1")->currentText(), QString("圆通速递")); // not the deleted one's
    QTest::mouseClick(child(&d, "CheckBox1"), Qt::LeftButton);
    fill(d);
    child<QDateEdit>(&d, "DateTimePicker1")->setDate(QDate(2020, 1, 1));
    save(d);
    QVERIFY(d.isVisible());
    QVERIFY(modals.lastOf<TfrmP3>());
    for (const char* name : {"SEd1", "SEd9", "Edit1", "Edit6"})
        QCOMPARE(box(&d, name)->text(), QString());
    // The sender and the courier stay for the next parcel.
    QCOMPARE(box(&d, "JEd1")->text() + box(&d, "JEd4")->text(), QString("张三中国邮政"));
    QCOMPARE(child<LookupCombo>(&d, "DBLookupComboBox1")->currentText(), QString("顺丰速运"));
    QCOMPARE(child<QDateEdit>(&d, "DateTimePicker1")->date(), QDate::currentDate());
    QCOMPARE(d.focusWidget(), box(&d, "SEd1"));
    fill(d, "王五", "赵六");
    save(d);
    QCOMPARE(count("SELECT ID FROM UE"), 4);
    Dialog again(nullptr);
    QVERIFY(child<QCheckBox>(&again, "CheckBox1")->isChecked());
}

void TestWaybills::aWaybillFromTheKeyboardAlone()
{
    addContact(SenderKind, "张三", "0755-1", "");
    addContact(AddresseeKind, "李四", "021-2", "");
    addWaybills(1, "圆通速递");
    QTemporaryDir out;
    SetPrintOutputFile(out.filePath("keys.pdf"));
    ModalRecorder modals;
    // The print window opens with 打印 ready for Enter.
    modals.onOpen = [](QDialog* print) {
        QTest::keyClick(print, Qt::Key_Return);
        return print->result();
    };
    MessageRecorder messages(false);
    Dialog d(nullptr);
    showActive(d);
    // The window starts with the courier of the last waybill.
    QCOMPARE(child<LookupCombo>(&d, "DBLookupComboBox1")->currentText(), QString("圆通速递"));
    child<QCheckBox>(&d, "CheckBox1")->setChecked(true);
    const int before = count("SELECT ID FROM UE");

    const auto type = [&d](const QString& keys) { QTest::keyClicks(d.focusWidget(), keys); };
    const auto press = [&d](Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
        QTest::keyClick(d.focusWidget(), key, modifiers);
    };
    box(&d, "JEd1")->setFocus();
    type("zs");
    press(Qt::Key_Return);
    type("ls");
    press(Qt::Key_Return);
    QCOMPARE(d.focusWidget(), child(&d, "DBLookupComboBox1"));
    // The date is one stop of Tab, not three.
    box(&d, "SEd10")->setFocus();
    press(Qt::Key_Tab);
    QCOMPARE(d.focusWidget(), child(&d, "DateTimePicker1"));
    press(Qt::Key_Tab);
    QCOMPARE(d.focusWidget(), child(&d, "DBLookupComboBox1"));
    press(Qt::Key_Return);
    type("SF001");
    press(Qt::Key_Return);
    type("books");
    for (int i = 0; i < 8; ++i)
        press(Qt::Key_Return);
    QCOMPARE(count("SELECT ID FROM UE"), before);
    QCOMPARE(messages.shown().size(), 0);

    press(Qt::Key_S, Qt::ControlModifier);
    SetPrintOutputFile(QString());
    QCOMPARE(messages.texts(), QStringList({"快递单 信息 保存成功！"}));
    QCOMPARE(RowsOf(SqlText("SELECT JName, SName, EName, ENum, EAN FROM UE ORDER BY ID DESC LIMIT 1")),
             QStringList({"张三|李四|圆通速递|SF001|books"}));
    QCOMPARE(count("SELECT ID FROM ULog"), 1);
    QCOMPARE(d.focusWidget(), box(&d, "SEd1"));

    // Esc drops nothing typed without asking; with nothing typed it closes at once.
    type("w");
    press(Qt::Key_Escape);
    QCOMPARE(messages.last(), QString("放弃未保存的内容吗？"));
    QVERIFY(d.isVisible());
    box(&d, "SEd1")->clear();
    messages.clear();
    press(Qt::Key_Escape);
    QVERIFY(messages.shown().isEmpty());
    QVERIFY(!d.isVisible());
}

void TestWaybills::changeRewritesTheRowAndRelistsTheOpener()
{
    ModalRecorder modals;
    MessageRecorder messages;
    {
        Dialog d(nullptr);
        fill(d);
        save(d);
    }
    DM().ExecSql(SqlText("UPDATE UE SET UName = 'someone', myDate = '2026-01-02'"));
    QueryDriver<TfrmE_Q> a(QStringLiteral("收件人")), b(QStringLiteral("收件人"));
    a.edit(3)->setText("ls"); // recipient by its code
    a.query();
    b.query();
    QStringList opened; // what the edit window showed when it opened
    modals.onOpen = [&opened](QDialog* dialog) {
        opened << dialog->windowTitle() << (child<QCheckBox>(dialog, "CheckBox1")->isVisible() ? "ticks" : "no ticks")
               << DateText(child<QDateEdit>(dialog, "DateTimePicker1")->date())
               << child<LookupCombo>(dialog, "DBLookupComboBox1")->currentText() << box(dialog, "Edit6")->text();
        box(dialog, "SEd1")->setText("王五");
        box(dialog, "SEd4")->setText("新单位");
        child<QDateEdit>(dialog, "DateTimePicker1")->setDate(QDate(2026, 2, 3));
        QTest::mouseClick(child(dialog, "BitBtn1"), Qt::LeftButton);
        return int(QDialog::Accepted);
    };
    a.run("M1");
    QCOMPARE(opened, QStringList({"快递单修改", "no ticks", "2026-01-02", "顺丰速运", "e6 '%_"}));
    QCOMPARE(one("SELECT SName || '|' || SNPY || '|' || myDate || '|' || UName || '|' || theDel FROM UE"),
             QString("王五|WW|2026-02-03|someone|否"));
    QCOMPARE(count("SELECT ID FROM UAddressee WHERE theDept = '新单位'"), 1);
    QCOMPARE(a.label(), QString("记录：0")); // its filter no longer matches
    QCOMPARE(b.listed(), QStringList({"李四"})); // the other window was not asked to list again
}

void TestWaybills::aSaveOverAChangeMeanwhileWritesNothing_data()
{
    QTest::addColumn<QString>("meanwhile");
    QTest::addColumn<QString>("said");
    QTest::addColumn<QString>("row");
    QTest::newRow("changed") << QString("UPDATE UE SET SName = '赵六', theVersion = theVersion + 1")
                             << QString("已被修改") << QString("赵六|否");
    QTest::newRow("deleted") << QString("UPDATE UE SET theDel = '是'") << QString("已被删除") << QString("李四|是");
}

void TestWaybills::aSaveOverAChangeMeanwhileWritesNothing()
{
    QFETCH(QString, meanwhile);
    QFETCH(QString, said);
    QFETCH(QString, row);
    DM().ExecSql(SqlText("INSERT INTO UE (JName, SName, EName, theDel) VALUES ('张三', '李四', '顺丰速运', '否')"));
    ModalRecorder modals;
    MessageRecorder messages;
    QueryDriver<TfrmE_Q> q(QStringLiteral("收件人"));
    q.query();
    modals.onOpen = [&](QDialog* dialog) {
        box(dialog, "SEd1")->setText("王五");
        DM().ExecSql(SqlText(meanwhile)); // another PC
        QTest::mouseClick(child(dialog, "BitBtn1"), Qt::LeftButton);
        return int(QDialog::Rejected);
    };
    q.run("M1");
    auto* d = modals.lastOf<Dialog>();
    QVERIFY(d && d->isVisible());
    QCOMPARE(box(d, "SEd1")->text(), QString("王五"));
    QVERIFY2(messages.last().contains(said) && messages.last().contains("您填写的内容仍在窗口里"),
             qPrintable(messages.last()));
    QCOMPARE(one("SELECT SName || '|' || theDel FROM UE"), row);
    QCOMPARE(count("SELECT ID FROM UAddressee"), 0);
}

void TestWaybills::aLostServerKeepsTheWaybillForAnotherSave()
{
    if (!OnTestServer())
        QSKIP("only a server's connection can be lost");
    ModalRecorder modals;
    MessageRecorder messages;
    Dialog d(nullptr);
    d.show();
    fill(d);
    const auto typed = [&d] {
        QStringList texts{child<LookupCombo>(&d, "DBLookupComboBox1")->currentText()};
        for (const QLineEdit* edit : d.findChildren<QLineEdit*>())
            texts << edit->text();
        return texts;
    };
    const QStringList before = typed();
    // The server ends the connection after the waybill's row, before its contacts are filed.
    AfterEachInsert("UE", "PERFORM pg_terminate_backend(pg_backend_pid())");
    save(d);
    QVERIFY2(messages.last().contains("连接断开了") && messages.last().contains("您填写的内容仍在窗口里"),
             qPrintable(messages.last()));
    QVERIFY(d.isVisible());
    QCOMPARE(typed(), before);
    DM().ExecSql(SqlText("DROP TRIGGER after_insert ON UE")); // the server is back
    QCOMPARE(count("SELECT ID FROM UE") + count("SELECT ID FROM USender") + count("SELECT ID FROM UAddressee"), 0);
    messages.clear();
    save(d);
    QCOMPARE(messages.texts(), QStringList({"快递单 信息 保存成功！"}));
    QCOMPARE(count("SELECT ID FROM UE") + count("SELECT ID FROM USender") + count("SELECT ID FROM UAddressee"), 3);

    // The server restarts while the program sits idle: the next listing just connects again.
    EndProgramConnection();
    messages.clear();
    QueryDriver<TfrmE_Q> q(QStringLiteral("收件人"));
    q.query();
    QCOMPARE(q.listed(), QStringList({"李四"}));
    QVERIFY2(messages.shown().isEmpty(), qPrintable(messages.texts().join('\n')));
}

void TestWaybills::eachConditionNarrows_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("check");
    // Two waybills, A and B, differ in every column; each condition must find A alone.
    const QList<std::tuple<const char*, const char*, const char*>> rows = {
        {"DBLookupComboBox1", "顺丰速运", "CheckBox1"}, {"Edit1", "a-enu", "CheckBox2"},
        {"Edit2", "a-ea", "CheckBox3"},              {"Edit3", "小", "CheckBox4"},
        {"Edit4", "a-sphone", "CheckBox5"},             {"Edit5", "a-smob", "CheckBox6"},
        {"Edit6", "a-sdept", "CheckBox7"},              {"Edit7", "a-sadd", "CheckBox8"},
        {"Edit8", "A-JNAME", "CheckBox9"},              {"Edit9", "a-jdept", "CheckBox10"},
        {"Edit10", "a-remark", "CheckBox11"},           {"DateTimePicker2", "2026-05-01", "CheckBox12"},
        {"DBLookupComboBox2", "admin", "CheckBox13"},   {"Edit3", "xm", "CheckBox4"}, // 小明 by its code
    };
    for (const auto& [control, value, check] : rows)
        QTest::newRow(control + QByteArray(" ") + value) << control << value << check;
}

void TestWaybills::eachConditionNarrows()
{
    QFETCH(QString, control);
    QFETCH(QString, value);
    QFETCH(QString, check);
    const auto insert = [](const QString& p, const QString& company, const QString& date, const QString& user) {
        Record w;
        for (const FieldDef& f : WaybillStore::EntryFields())
            w << p + "-" + f.column.toLower();
        w[0] = date;
        w[1] = company;
        w[4] = p == "a" ? "小明" : "b-sname";
        Unit1::setCurrentUserName(user);
        WaybillStore::save(0, w);
    };
    DM().ExecSql(SqlText("INSERT INTO SUser (theName, thePass, Remark) VALUES ('other', '', '')"));
    insert("a", "顺丰速运", "2026-05-01", "admin");
    insert("b", "圆通速递", "2026-04-01", "other");
    Unit1::setCurrentUserName("admin");
    QueryDriver<TfrmE_Q> q(QStringLiteral("快递单号"));
    QWidget* widget = child(&q.window, control.toLatin1().constData());
    if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
        edit->setText(value);
    } else if (auto* list = qobject_cast<LookupCombo*>(widget)) {
        list->setCurrentIndex(list->findText(value));
        emit list->activated(list->currentIndex()); // as a pick by the user
    } else {
        child<QDateEdit>(&q.window, "DateTimePicker1")->setDate(QDate(2026, 5, 1)); // a same-day range
        qobject_cast<QDateEdit*>(widget)->setDate(QDate::fromString(value, DateFormat));
    }
    QVERIFY(child<QCheckBox>(&q.window, check.toLatin1().constData())->isChecked());
    q.query();
    QCOMPARE(q.listed(), QStringList({"a-enum"}));
    QCOMPARE(q.label(), QString("记录：1"));
}

void TestWaybills::companyTickedWithoutNameListsEmptyCompanies()
{
    DM().ExecSql(SqlText("INSERT INTO UE (ENum, EName) VALUES ('no company', ''), ('has one', '顺丰速运')"));
    QueryDriver<TfrmE_Q> q(QStringLiteral("快递单号"));
    QVERIFY(!q.check(12)->isChecked()); // the dates set when the window opened tick nothing
    q.check(1)->setChecked(true);
    q.query();
    QCOMPARE(q.listed(), QStringList({"no company"}));
}

void TestWaybills::deleteRelistsWithThePreviousFilter()
{
    DM().ExecSql(SqlText("INSERT INTO UE (ENum, EAN) VALUES ('1', 'x'), ('2', 'y'), ('3', 'x')"));
    MessageRecorder messages;
    QueryDriver<TfrmE_Q> q(QStringLiteral("快递单号"));
    q.edit(2)->setText("x");
    q.query();
    QCOMPARE(q.listed(), QStringList({"3", "1"}));
    q.edit(2)->setText("y"); // not queried yet
    q.run("D1");
    QCOMPARE(messages.shown().last().caption, QString("删除"));
    QCOMPARE(q.listed(), QStringList({"1"}));
    QCOMPARE(one("SELECT theDel FROM UE WHERE ENum = '3'"), QString("是"));
}

void TestWaybills::printFromTheQueryPrintsThatWaybillAndCountsIt()
{
    QTemporaryDir out;
    SetPrintOutputFile(out.filePath("single.pdf"));
    DM().ExecSql(SqlText("INSERT INTO UE (ENum, EName, SName) VALUES ('1', '顺丰速运', '收一'), "
                         "('2', '圆通速递', '收二'), ('3', '圆通速递', '收三')"));
    ModalRecorder modals;
    QString company, recipient;
    modals.onOpen = [&](QDialog* dialog) {
        auto* print = qobject_cast<TfrmP3*>(dialog);
        company = print->CompanyName;
        recipient = child<QLabel>(print, "SP01")->text();
        QTest::mouseClick(child(print, "Button1"), Qt::LeftButton);
        return int(QDialog::Accepted);
    };
    QueryDriver<TfrmE_Q> q(QStringLiteral("快递单号"));
    q.query();
    q.selectRow(2);
    q.run("P1");
    SetPrintOutputFile(QString());
    QCOMPARE(company, QString("顺丰速运"));
    QCOMPARE(recipient, QString("收一"));
    // Counted at once, without a new query, and the printed row is still the current one.
    QCOMPARE(q.grid()->currentRowIndex(), 2);
    QCOMPARE(q.grid()->value("打印次数").toInt(), 1);
    QCOMPARE(q.grid()->value(1, "打印次数").toInt(), 0);
}

namespace {

// Each page's text of a PDF, in page order.
QStringList pdfPages(const QString& pdf)
{
    QProcess process;
    process.start("pdftotext", {"-layout", pdf, "-"});
    process.waitForFinished(30000);
    QStringList pages = QString::fromUtf8(process.readAllStandardOutput()).split(QChar('\f'));
    if (!pages.isEmpty() && pages.last().trimmed().isEmpty())
        pages.removeLast();
    return pages;
}

} // namespace

void TestWaybills::batchPrintsTheWholeListInOneJobAndLogsIt()
{
    QTemporaryDir out;
    SetPrintOutputFile(out.filePath("batch.pdf"));
    addWaybills(300, "顺丰速运"); // more than the grid fetches at first
    addWaybills(1, "圆通速递");
    DM().ExecSql(SqlText("UPDATE UE SET theDel = '是' WHERE ENum = '7'"));
    MessageRecorder messages;
    QueryDriver<TfrmE_Q> q(QStringLiteral("收件人"));
    q.query();
    q.run("BatchPrint");
    SetPrintOutputFile(QString());

    QCOMPARE(messages.shown().first().text, QString("将打印 300 张快递单，确定吗？"));
    const QStringList pages = pdfPages(out.filePath("batch.pdf"));
    QCOMPARE(pages.size(), 300);
    QVERIFY(pages.first().contains("收件1号")); // newest first: 圆通's only waybill
    QVERIFY(pages.last().contains("收件1号"));
    QVERIFY(pages[1].contains("收件300号"));
    QCOMPARE(count("SELECT ID FROM ULog WHERE theKind = 'batch' AND UName = 'admin'"), 300);
    QCOMPARE(count("SELECT ID FROM ULog WHERE WID IN (SELECT ID FROM UE WHERE theDel = '是')"), 0);
    QCOMPARE(q.grid()->value("打印次数").toInt(), 1);

    messages.answerNext(false);
    q.run("BatchPrint"); // "No": nothing printed, nothing logged
    QCOMPARE(count("SELECT ID FROM ULog"), 300);
}

void TestWaybills::batchPrintsInTheOrderShown()
{
    QTemporaryDir out;
    SetPrintOutputFile(out.filePath("sorted.pdf"));
    for (const QString name : {"收件C", "收件A", "收件D", "收件B"})
        DM().ExecSql(SqlText("INSERT INTO UE (ENum, EName, SName) VALUES ('1', '顺丰速运', ?)", {name}));
    MessageRecorder messages;
    QueryDriver<TfrmE_Q> q(QStringLiteral("收件人"));
    q.query();
    q.clickTitle("收件人");
    QCOMPARE(q.listed(), QStringList({"收件A", "收件B", "收件C", "收件D"}));
    q.run("BatchPrint");
    SetPrintOutputFile(QString());
    QStringList printed;
    for (const QString& page : pdfPages(out.filePath("sorted.pdf")))
        printed << QRegularExpression("收件[A-D]").match(page).captured();
    QCOMPARE(printed, q.listed());
}

void TestWaybills::nameTitlesSortByPinyinAcrossPages()
{
    // By their pinyin codes, which a saved waybill stores; by their code points 刘 安 张 李 王 白 赵 陈.
    const QStringList names = {"安娜", "白云", "陈晨", "李雷", "刘洋", "王芳", "赵敏", "张伟"};
    const QStringList codes = {"AN", "BY", "CC", "LL", "LY", "WF", "ZM", "ZW"};
    for (int i = 0; i < 300; ++i) // past the first page read, with ties at its end
        DM().ExecSql(SqlText("INSERT INTO UE (ENum, EName, SName, SNPY) VALUES (?, '顺丰速运', ?, ?)",
                             {QString::number(i), names[i % 8], codes[i % 8]}));
    QStringList expected; // waybill i goes to names[i % 8]; a name's waybills in the order they were saved
    for (int n = 0; n < 8; ++n)
        for (int i = n; i < 300; i += 8)
            expected << QString::number(i);
    QueryDriver<TfrmE_Q> q(QStringLiteral("收件人"));
    q.query();
    q.clickTitle("收件人");
    while (q.grid()->model()->canFetchMore({}))
        q.grid()->scrollToBottom();
    QCOMPARE(q.listed("快递单号"), expected);
}

void TestWaybills::cancelledBatchLogsOnlyItsPrintedPages()
{
    QTemporaryDir out;
    SetPrintOutputFile(out.filePath("cancelled.pdf"));
    addWaybills(40, "顺丰速运");
    MessageRecorder messages;
    QueryDriver<TfrmE_Q> q(QStringLiteral("收件人"));
    q.query();
    // The user presses "取消" as soon as the progress shows.
    QTimer::singleShot(0, &q.window, [&q] {
        if (auto* progress = q.window.findChild<QProgressDialog*>("ProgressDialog1"))
            progress->cancel();
    });
    q.run("BatchPrint");
    SetPrintOutputFile(QString());

    const int printed = static_cast<int>(pdfPages(out.filePath("cancelled.pdf")).size());
    QVERIFY2(printed > 0 && printed < 40, qPrintable(QString::number(printed)));
    QCOMPARE(count("SELECT ID FROM ULog"), printed);
}

void TestWaybills::batchSkipsWaybillsDeletedMeanwhileAndStopsForAGoneCompany()
{
    QTemporaryDir out;
    SetPrintOutputFile(out.filePath("batch.pdf"));
    addWaybills(12, "顺丰速运");
    DM().ExecSql(SqlText("UPDATE UE SET EName = '圆通速递' WHERE ENum IN ('1', '2', '3')")); // listed last
    MessageRecorder messages;
    QueryDriver<TfrmE_Q> q(QStringLiteral("收件人"));
    q.query();
    // Once pages are out, another PC deletes two waybills and the other company: the rows are read.
    QTimer otherPc;
    QObject::connect(&otherPc, &QTimer::timeout, [&] {
        auto* progress = q.window.findChild<QProgressDialog*>("ProgressDialog1");
        if (!progress || progress->value() < 1)
            return;
        otherPc.stop();
        DM().ExecSql(SqlText("UPDATE UE SET theDel = '是' WHERE ENum IN ('5', '9')"));
        CourierStore::deleteCompany(one("SELECT ID FROM SCom WHERE theName = '圆通速递'").toLongLong(), "圆通速递");
    });
    otherPc.start(0);
    q.run("BatchPrint");
    SetPrintOutputFile(QString());
    const QStringList printed = pdfPages(out.filePath("batch.pdf"));
    QCOMPARE(printed.size(), 7);                       // 12 to 10, 8 to 6 and 4; the batch stops at 3
    QVERIFY(!printed.join("").contains("收件人姓名")); // no display names in place of a waybill
    QCOMPARE(RowsOf(SqlText("SELECT ENum FROM UE WHERE ID IN (SELECT WID FROM ULog) ORDER BY ID")),
             QStringList({"4", "6", "7", "8", "10", "11", "12"}));
    const QString told = messages.last();
    QVERIFY2(told.contains("前 7 张") && told.contains("“圆通速递”已不存在") && told.contains("以下 2 张") &&
                 told.contains("单号 9（收件人 收件9号）\n单号 5（收件人 收件5号）"),
             qPrintable(told));
}

void TestWaybills::singlePrintIsLoggedButATestPrintIsNot()
{
    QTemporaryDir out;
    SetPrintOutputFile(out.filePath("single.pdf"));
    addWaybills(1, "顺丰速运");
    for (const QString& id : {one("SELECT ID FROM UE"), QString("0")}) {
        TfrmP3 print(nullptr);
        PrepareWaybillPrint(print, "顺丰速运", id);
        print.show();
        QTest::mouseClick(child(&print, "Button1"), Qt::LeftButton);
    }
    SetPrintOutputFile(QString());
    QCOMPARE(one("SELECT group_concat(WID || theKind) FROM ULog"), one("SELECT ID FROM UE") + "single");
}

void TestWaybills::pagesTheLogRefusedAreLoggedOnceItAnswers()
{
    QTemporaryDir out;
    SetPrintOutputFile(out.filePath("lost.pdf"));
    addWaybills(30, "顺丰速运");
    RefuseInserts("ULog", 25); // the server goes part way through the batch's log
    MessageRecorder messages;
    QueryDriver<TfrmE_Q> q(QStringLiteral("收件人"));
    q.query();
    q.run("BatchPrint");
    QCOMPARE(pdfPages(out.filePath("lost.pdf")).size(), 30);
    const QStringList unlogged = RowsOf(SqlText("SELECT ENum FROM UE WHERE ID NOT IN (SELECT WID FROM ULog)"));
    QVERIFY(!unlogged.isEmpty() && unlogged.size() < 30); // the groups before the failure stay written
    const QString told = messages.last();
    QVERIFY2(told.contains(QString("以下 %1 张").arg(unlogged.size())), qPrintable(told));
    for (const QString& number : unlogged)
        QVERIFY2(told.contains(QString("单号 %1（收件人 收件%1号）").arg(number)), qPrintable(told));

    // The database answers again: the next batch logs its pages and the waiting ones, none twice.
    DM().ExecSql(SqlText(OnTestServer() ? "DROP TRIGGER refuse ON ULog" : "DROP TRIGGER refuse"));
    messages.clear();
    q.run("BatchPrint");
    SetPrintOutputFile(QString());
    QCOMPARE(messages.texts(), QStringList({"将打印 30 张快递单，确定吗？"})); // nothing left to tell
    QCOMPARE(RowsOf(SqlText("SELECT COUNT(*) FROM ULog GROUP BY WID HAVING COUNT(*) = 2")).size(), 30);
    QCOMPARE(count("SELECT ID FROM ULog"), 60);
}

ORVANE_TEST_MAIN(TestWaybills)
#include "tst_waybills.moc"
