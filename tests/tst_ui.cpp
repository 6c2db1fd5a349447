// The layer over Qt Widgets: limited edit boxes, modal windows and messages, Qt's own
// texts and window captions.
#include "TestSupport.h"

#include "Application.h"
#include "Controls.h"
#include "DM.h"
#include "QueryWindow.h"
#include "SqlDialect.h"
#include "Transaction.h"
#include "Unit1.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDateEdit>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QScopeGuard>
#include <QScrollBar>
#include <QSqlQuery>
#include <QTemporaryDir>
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
    void textsFitUnderALargerDesktopFont();
    void captionIsTheGivenText();
    // Every query window
    void conditionsTickOnlyByTheUser();
    void conditionsTabInReadingOrder();
    void textBindsEveryMarkAndListingKeepsTheLastFilter();
    void gridFetchesAsItScrollsAndCountsEveryMatch();
    void endOfAListingShowsAtOnceInItsOrder_data();
    void endOfAListingShowsAtOnceInItsOrder();
    void openListingHoldsNothingAndSortsByAnyTitle();
    void nulInAConditionIsAnOrdinaryCharacter_data();
    void nulInAConditionIsAnOrdinaryCharacter();
    void enterQueriesAndDeleteKeyDeletes();
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
    RealDialogs real;
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

    // The details view's columns; the suite runs this once more under LC_ALL=C.
    QTemporaryDir dir;
    QFileDialog files(nullptr, QString(), QFileInfo(dir.path()).path(), "图片 (*.jpg)");
    files.setOption(QFileDialog::DontUseNativeDialog);
    QCOMPARE(files.windowTitle(), QString("打开"));
    QCOMPARE(child<QLabel>(&files, "lookInLabel")->text(), QString("查找范围："));
    const auto column = [&](int c) {
        return files.findChild<QFileSystemModel*>()->index(dir.path(), c).data().toString();
    };
    QTRY_COMPARE(column(2), QString("文件夹"));
    QVERIFY2(column(3).startsWith(QDate::currentDate().toString("yyyy/M/d")), qPrintable(column(3)));
}

void TestUi::textsFitUnderALargerDesktopFont()
{
    const auto restore = qScopeGuard([before = QApplication::font()] { QApplication::setFont(before); });
    QFont desktop("Noto Sans CJK SC", 20, QFont::Bold);
    QApplication::setFont(desktop);
    UseProgramFonts();
    QCOMPARE(QApplication::font("QMenu").pixelSize(), 11); // the font the fixed-size windows were made for
    // A box wide enough for its caption in the desktop's title font, and a title bar's buttons.
    RealDialogs real;
    int width = 0;
    QTimer::singleShot(0, [&width] { width = QApplication::activeModalWidget()->width(); });
    QTimer::singleShot(0, [] { QApplication::activeModalWidget()->close(); });
    ShowMessage(nullptr, "用户名 不能为空！");
    QVERIFY(width >= QFontMetrics(desktop).horizontalAdvance(Unit1::AppTitle) + 100);
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

// ---- query window and grid, shared by every query window ----

namespace {

// A waybill query over UE with one condition of each sort.
QueryWindowKind probeKind()
{
    QueryWindowKind kind;
    kind.objectName = "probe";
    kind.caption = QStringLiteral("probe");
    kind.selectList = QStringLiteral("SELECT ENum AS 单号, EName AS 公司, JName AS 收件人, ID ");
    kind.pinyinSorted = {{QStringLiteral("收件人"), QStringLiteral("JNPY")}};
    kind.from = QStringLiteral("FROM UE WHERE (theDel = '否') ");
    QueryCondition text;
    text.check = "CheckBox1";
    text.control = "Edit1";
    text.clause = QStringLiteral("AND (%1 OR %2) ").arg(Contains("ENum"), Contains("EAN"));
    text.place = {1, 0};
    QueryCondition company = text;
    company.sort = QueryCondition::Sort::CompanyList;
    company.check = "CheckBox2";
    company.control = "List1";
    company.clause = QStringLiteral("AND (EName = ?) ");
    company.place = {0, 2};
    QueryCondition dates = text;
    dates.sort = QueryCondition::Sort::DateRange;
    dates.check = "CheckBox3";
    dates.control = "From";
    dates.toControl = "To";
    dates.toPlace = {0, 1};
    dates.clause = QStringLiteral(" AND (myDate Between ? AND ?) ");
    dates.place = {0, 0};
    kind.conditions = {text, company, dates};
    kind.hiddenColumns = {QStringLiteral("ID")};
    kind.softDelete = [](const RowReader& row) {
        DM().ExecSql(SqlText("UPDATE UE SET theDel = '是' WHERE (ID = ?)", {row("ID")}));
    };
    return kind;
}

struct Probe : QueryWindow {
    Probe() : QueryWindow(probeKind(), nullptr) { addStandardCommands(); }
};

void addWaybills(int count, const QString& company = QStringLiteral("甲"), const QString& date = "2026-05-01")
{
    Transaction transaction;
    for (int i = 1; i <= count; ++i)
        DM().ExecSql(SqlText("INSERT INTO UE (ENum, EAN, EName, myDate) VALUES (?, 'goods', ?, ?)",
                             {QString::number(i), company, date}));
    transaction.commit();
}

} // namespace

void TestUi::conditionsTickOnlyByTheUser()
{
    ProgramFolder folder;
    DM().ExecSql(SqlText("INSERT INTO SCom (theName) VALUES ('甲'), ('乙')"));
    QueryDriver<Probe> q(QStringLiteral("单号"));
    // Opening set both dates and bound the list: nothing ticked.
    for (int n = 1; n <= 3; ++n)
        QVERIFY(!q.check(n)->isChecked());
    QCOMPARE(child<QDateEdit>(&q.window, "From")->date(), QDate::currentDate().addMonths(-1));

    auto* list = child<QComboBox>(&q.window, "List1");
    list->setCurrentIndex(0); // by the program
    QVERIFY(!q.check(2)->isChecked());
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Down); // by the user
    QVERIFY(q.check(2)->isChecked());

    QTest::keyClick(child<QDateEdit>(&q.window, "To"), Qt::Key_Up);
    QVERIFY(q.check(3)->isChecked());

    q.edit(1)->setText("x");
    q.edit(1)->clear();
    QVERIFY(q.check(1)->isChecked()); // emptied, still ticked
}

void TestUi::conditionsTabInReadingOrder()
{
    ProgramFolder folder;
    QueryDriver<Probe> q(QStringLiteral("单号"));
    QStringList order;
    // The first place holds the date range; a date box's own inner editor is not a stop of ours.
    for (QWidget* w = q.check(3); order.size() < 7; w = w->nextInFocusChain())
        if ((w->focusPolicy() & Qt::TabFocus) && !w->objectName().startsWith("qt_"))
            order << w->objectName();
    QCOMPARE(order, QStringList({"CheckBox3", "From", "To", "CheckBox2", "List1", "CheckBox1", "Edit1"}));
}

void TestUi::textBindsEveryMarkAndListingKeepsTheLastFilter()
{
    ProgramFolder folder;
    MessageRecorder messages;
    addWaybills(3);
    DM().ExecSql(SqlText("UPDATE UE SET EAN = 'x' || ENum WHERE ENum = '2'"));
    QueryDriver<Probe> q(QStringLiteral("单号"));
    q.run("D1"); // before any query: no list, nothing asked
    QVERIFY(messages.shown().isEmpty());
    q.edit(1)->setText("x2"); // only in EAN: the second mark carries the text too
    q.query();
    QCOMPARE(q.listed(), QStringList({"2"}));
    q.edit(1)->setText("3");
    q.window.myRef(); // typing changed nothing until the next query
    QCOMPARE(q.listed(), QStringList({"2"}));
    q.run("D1");
    QCOMPARE(q.label(), QString("记录：0"));
    messages.clear();
    q.run("D1"); // an empty list: the commands do nothing
    q.run("M1");
    QVERIFY(messages.shown().isEmpty());
}

void TestUi::gridFetchesAsItScrollsAndCountsEveryMatch()
{
    ProgramFolder folder;
    addWaybills(5000);
    addWaybills(10, QStringLiteral("乙"));
    QueryDriver<Probe> q(QStringLiteral("单号"));
    q.query();
    QCOMPARE(q.label(), QString("记录：5010"));
    DataGrid* grid = q.grid();
    QVERIFY2(grid->rowCount() < 1000, qPrintable(QString::number(grid->rowCount())));
    QCOMPARE(grid->value("单号").toString(), QString("10")); // the newest row is current
    grid->scrollToBottom();
    while (grid->model()->canFetchMore({}))
        grid->scrollToBottom();
    QCOMPARE(grid->rowCount(), 5010);
    q.selectRow(4000);
    QCOMPARE(grid->value("单号").toString(), QString("1010")); // past the ten newest, row r holds 5010 - r
    QCOMPARE(grid->columnOf("ID") >= 0 && grid->isColumnHidden(grid->columnOf("ID")), true);
    q.query(); // a re-listing starts again at the first row
    QCOMPARE(grid->currentRowIndex(), 0);
    QVERIFY(grid->rowCount() < 1000);
}

void TestUi::endOfAListingShowsAtOnceInItsOrder_data()
{
    QTest::addColumn<QString>("title"); // empty: newest first, as the listing opens
    QTest::addColumn<int>("clicks");
    QTest::addColumn<bool>("drag"); // the scroll bar's thumb dragged to its end, not Ctrl+End
    QTest::newRow("newest first, dragged") << QString() << 0 << true;
    QTest::newRow("recipient by pinyin") << "收件人" << 1 << false;
    QTest::newRow("recipient by pinyin, descending, dragged") << "收件人" << 2 << true;
}

void TestUi::endOfAListingShowsAtOnceInItsOrder()
{
    QFETCH(QString, title);
    QFETCH(int, clicks);
    QFETCH(bool, drag);
    ProgramFolder folder;
    // Pinyin initials put 李 first and 张 last, unlike their code points (张 < 李 < 王 < 赵).
    const QStringList names = {"李四", "张三", "王五", "赵六"}, codes = {"ls", "zs", "ww", "zl"};
    constexpr int Rows = 3000;
    QList<std::pair<QString, int>> expected; // sort key, insertion number (the ID's order)
    Transaction transaction;
    for (int i = 1; i <= Rows; ++i) {
        DM().ExecSql(SqlText("INSERT INTO UE (ENum, JName, JNPY) VALUES (?, ?, ?)",
                             {QString::number(i), names[i % 4], codes[i % 4]}));
        expected.append({title.isEmpty() ? QString() : codes[i % 4], i});
    }
    transaction.commit();
    std::sort(expected.begin(), expected.end());
    if (title.isEmpty() || clicks == 2)
        std::reverse(expected.begin(), expected.end());

    QueryDriver<Probe> q(QStringLiteral("单号"));
    q.query();
    for (int c = 0; c < clicks; ++c)
        q.clickTitle(title);
    DataGrid* grid = q.grid();
    QScrollBar* bar = grid->verticalScrollBar();
    bar->setSliderDown(drag);
    drag ? bar->setValue(bar->maximum()) : QTest::keyClick(grid, Qt::Key_End, Qt::ControlModifier);
    QCOMPARE(grid->rowCount(), Rows);
    grid->scrollTo(grid->model()->index(Rows / 3, 0)); // deep into the gap between the first and last pages
    for (int row : {Rows - 256, Rows - 2, Rows - 1, Rows / 3, Rows / 3 + 1, 0})
        QCOMPARE(grid->value(row, "单号").toString(), QString::number(expected[row].second));
    QCOMPARE(q.label(), QString("记录：%1").arg(Rows));
}

void TestUi::openListingHoldsNothingAndSortsByAnyTitle()
{
    ProgramFolder folder;
    // Three companies over three pages of rows, so the order crosses ties at page ends.
    const QStringList companies = {"甲", "乙", "丙"};
    QList<QPair<QString, int>> expected; // (company, number), the number growing with the ID
    Transaction transaction;
    for (int i = 1; i <= 700; ++i) {
        expected.append({companies[i % 3], i});
        DM().ExecSql(SqlText("INSERT INTO UE (ENum, EName) VALUES (?, ?)", {QString::number(i), companies[i % 3]}));
    }
    transaction.commit();
    std::sort(expected.begin(), expected.end());
    QStringList ascending;
    for (const auto& [company, number] : expected)
        ascending << QString::number(number);

    QueryDriver<Probe> q(QStringLiteral("单号"));
    q.query();
    QVERIFY(q.grid()->model()->canFetchMore({})); // part of the listing read, the rest to come
    for (int i = 0; i < 50; ++i)                  // saves while the window stays open
        DM().ExecSql(SqlText("INSERT INTO SCom (theName) VALUES ('x')"));
    if (!OnTestServer()) {
        // Another program checkpoints the whole log and empties it at once: no statement
        // or snapshot of the window's holds it.
        QSqlDatabase other = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("checkpointer"));
        other.setDatabaseName(DM().databasePath());
        other.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=0"));
        QVERIFY(other.open());
        QSqlQuery checkpoint(other);
        QVERIFY(checkpoint.exec(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)")) && checkpoint.next());
        QCOMPARE(checkpoint.value(0).toInt(), 0); // not busy
        checkpoint = QSqlQuery();
        other = QSqlDatabase();
        QSqlDatabase::removeDatabase(QStringLiteral("checkpointer"));
        QCOMPARE(QFileInfo(DM().databasePath() + QStringLiteral("-wal")).size(), 0);
    }

    const auto everyRow = [&q] {
        while (q.grid()->model()->canFetchMore({}))
            q.grid()->scrollToBottom();
        return q.listed();
    };
    q.clickTitle("公司");
    QVERIFY(q.grid()->rowCount() < 700); // still read as it scrolls
    QCOMPARE(everyRow(), ascending);
    q.clickTitle("公司");
    q.query(); // a new query keeps the order the user chose
    std::reverse(ascending.begin(), ascending.end());
    QCOMPARE(everyRow(), ascending);
    QCOMPARE(q.label(), QString("记录：700"));
}

void TestUi::nulInAConditionIsAnOrdinaryCharacter_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QStringList>("listed");
    const QChar nul(0);
    QTest::newRow("NUL alone") << QString(nul) << QStringList({QString("a") + nul + "b"});
    QTest::newRow("NUL first") << nul + QString("b") << QStringList({QString("a") + nul + "b"});
    QTest::newRow("whole text") << QString("A") + nul + "B" << QStringList({QString("a") + nul + "b"});
    QTest::newRow("found nowhere") << QString("a") + nul + "x" << QStringList();
    QTest::newRow("no NUL: a wildcard still") << QString("_b") << QStringList({"ab"});
}

// A server's text holds no NUL: one typed is stored, and looked for, as U+FFFD, and the
// whole value is compared (SQLite's LIKE stops reading a stored value at its NUL).
QStringList onServer(const QString& typed, QStringList listed)
{
    if (!OnTestServer())
        return listed;
    if (typed == "_b")
        return {QString("a") + QChar::ReplacementCharacter + "b", "ab"};
    return listed.replaceInStrings(QString(QChar(0)), QString(QChar::ReplacementCharacter));
}

void TestUi::nulInAConditionIsAnOrdinaryCharacter()
{
    QFETCH(QString, typed);
    QFETCH(QStringList, listed);
    ProgramFolder folder;
    for (const QString& number : {QString("ab"), QString("a") + QChar(0) + "b", QString("xa")})
        DM().ExecSql(SqlText("INSERT INTO UE (ENum) VALUES (?)", {number}));
    QueryDriver<Probe> q(QStringLiteral("单号"));
    q.edit(1)->setText(typed);
    q.query();
    QCOMPARE(q.listed(), onServer(typed, listed));
}

void TestUi::enterQueriesAndDeleteKeyDeletes()
{
    ProgramFolder folder;
    MessageRecorder messages;
    addWaybills(3);
    QueryDriver<Probe> q(QStringLiteral("单号"));
    q.window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&q.window));
    q.edit(1)->setText("2");
    QTest::keyClick(q.edit(1), Qt::Key_Return);
    QCOMPARE(q.listed(), QStringList({"2"}));
    q.edit(1)->clear();
    auto* to = child<QDateEdit>(&q.window, "To");
    child<QDateEdit>(&q.window, "From")->setDate(QDate(2026, 4, 1));
    to->setDate(QDate(2026, 4, 30)); // ticks the range, which the waybills of 1 May are outside
    QTest::keyClick(to, Qt::Key_Enter);
    QCOMPARE(q.listed(), QStringList());
    q.check(3)->setChecked(false);
    QTest::keyClick(to, Qt::Key_Return); // Enter alone changes no date: the range stays unticked
    QCOMPARE(q.listed(), QStringList({"3", "2", "1"}));

    q.selectRow(1);
    q.grid()->setFocus();
    QTest::keyClick(q.grid(), Qt::Key_Delete);
    QCOMPARE(messages.last(), QString("确认要删除吗？该删除将不可恢复！"));
    QCOMPARE(q.listed(), QStringList({"3", "1"}));
}

ORVANE_TEST_MAIN(TestUi)
#include "tst_ui.moc"
