#pragma once

#include "Messages.h"
#include "Modal.h"

#include "DataGrid.h"
#include "DatabaseSetting.h"

#include <QAction>
#include <QCheckBox>
#include <QDialog>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QList>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>
#include <functional>
#include <type_traits>

// Whether the suite runs against a PostgreSQL server (ORVANE_TEST_SERVER) rather than the file.
bool OnTestServer();
// Ends the program's connection from the server's side, as a server restart does.
void EndProgramConnection();
// The tests' server and this test program's database on it (its password in $PGPASSFILE);
// a file setting when the suite runs on the file.
DatabaseSetting TestServerSetting();
// For a test of the embedded file's own behaviour (its locks, its file checks, its migrations).
#define SKIP_ON_SERVER()                                                                                               \
    do {                                                                                                               \
        if (OnTestServer())                                                                                            \
            QSKIP("the embedded database file's own behaviour");                                                       \
    } while (false)

// A fresh program folder with a fresh database for one test (on the server when the suite
// runs there); the data module points
// at it until the folder goes.
class ProgramFolder {
public:
    ProgramFolder();
    // Another PC over the same data as `first` (on the server: the same database, not
    // emptied), with a program folder of its own and `pcName` as its name. The program
    // runs on it from startHere() on.
    ProgramFolder(const ProgramFolder& first, const QString& pcName);
    ~ProgramFolder();
    QString path() const { return m_dir.path(); }
    QString file(const QString& relative) const { return m_dir.filePath(relative); }
    // A new start of the program on this folder's PC: what a run read once is read again.
    void startHere();

private:
    QTemporaryDir m_dir;
    QString m_pcName; // empty: the machine's own name
};

// Runs `work` as another PC over `first`'s data: on a server from a PC of its own; on the
// file, which one PC alone uses, from other windows of the same program.
void OnAnotherPc(ProgramFolder& first, const std::function<void()>& work);
// The rows of a test whose other PC changes ("M1") or deletes ("D1") a listed row meanwhile.
void AnotherPcChangesOrDeletes_data();

// Answers every message box without showing it and records what was asked.
// Questions take the queued answers in order, then the default answer.
class MessageRecorder {
public:
    explicit MessageRecorder(bool defaultAnswer = true);
    ~MessageRecorder();
    void answerNext(bool yes) { m_answers << yes; }
    const QList<MessageRequest>& shown() const { return m_shown; }
    QStringList texts() const;
    QString last() const { return m_shown.isEmpty() ? QString() : m_shown.last().text; }
    void clear() { m_shown.clear(); }

private:
    QList<MessageRequest> m_shown;
    QList<bool> m_answers;
    bool m_default;
    MessageHandler m_previous;
};

// Records every window shown modally instead of blocking in exec(). The dialog is shown
// (not modal) and `onOpen`, when set, runs with it before the opener goes on.
class ModalRecorder {
public:
    ModalRecorder();
    ~ModalRecorder();
    std::function<int(QDialog*)> onOpen;
    QList<QPointer<QDialog>> opened;
    template <class T> T* lastOf() const
    {
        for (auto it = opened.rbegin(); it != opened.rend(); ++it)
            if (auto* d = qobject_cast<T*>(it->data()))
                return d;
        return nullptr;
    }

private:
    ModalHandler m_previous;
};

// Message boxes and modal windows shown for real, for a test that answers them by a timer.
class RealDialogs {
    MessageHandler m_messages;
    ModalHandler m_modals;

public:
    RealDialogs();
    ~RealDialogs();
};

// Answers the file-open dialog with a fixed path (empty: cancelled).
class OpenFileAnswer {
public:
    explicit OpenFileAnswer(QString answer);
    ~OpenFileAnswer();
    QStringList filtersAsked;

private:
    OpenFileHandler m_previous;
};

// A missing control fails the running test: it gets a stand-in object instead of a null
// pointer, so the rest of the test program still runs.
QObject* standInOwner();
// Makes the database refuse an insert into `table` once it holds `rowsAllowed` rows, as a
// full disk or a broken server would, on the file and on the server alike.
void RefuseInserts(const QString& table, int rowsAllowed = 0);
// Runs `statement` after each insert into `table`: another writer busy at the same moment.
void AfterEachInsert(const QString& table, const QString& statement);

// Gives the company a form picture as the designer does, through a file it picks (a
// JPEG's bytes, or a picture saved as one); returns the company's picture file.
QString GiveCompanyPicture(const QString& company, const QByteArray& bytes);
QString GiveCompanyPicture(const QString& company, const QImage& picture, int quality = -1);

// Every row a SELECT returns, its columns joined by "|": what a test compares a table with.
QStringList RowsOf(const SqlText& select);
// The text of a PDF as pdftotext lays it out and reads it back.
QString PdfText(const QString& pdf);

template <class T = QWidget> T* child(QObject* parent, const char* name)
{
    T* found = parent->findChild<T*>(QLatin1String(name));
    if (found)
        return found;
    QTest::qFail(qPrintable(QStringLiteral("no child named %1").arg(QLatin1String(name))), __FILE__, __LINE__);
    if constexpr (std::is_default_constructible_v<T>) {
        auto* standIn = new T;
        // A widget stand-in lives to the end of the failed run; other objects go with their owner.
        if constexpr (!std::is_base_of_v<QWidget, T>)
            standIn->setParent(standInOwner());
        return standIn;
    }
    return nullptr;
}

// Drives a query window as a user would: its conditions, "查询", the grid, the count
// label and the context menu's commands.
template <class Window> struct QueryDriver {
    Window window;
    QString firstAlias; // the column that names a listed row

    explicit QueryDriver(QString alias) : firstAlias(std::move(alias))
    {
        window.resize(1000, 600);
        window.show();
    }
    DataGrid* grid() { return child<DataGrid>(&window, "DBGrid1"); }
    QLineEdit* edit(int n) { return child<QLineEdit>(&window, QByteArray("Edit" + QByteArray::number(n))); }
    QCheckBox* check(int n) { return child<QCheckBox>(&window, QByteArray("CheckBox" + QByteArray::number(n))); }
    QString label() { return child<QLabel>(&window, "Label1")->text(); }
    void query() { QTest::mouseClick(child(&window, "BitBtn1"), Qt::LeftButton); }
    QAction* command(const char* name) { return child<QAction>(&window, name); }
    // Runs a context-menu command as the menu would.
    void run(const char* name) { command(name)->trigger(); }
    QStringList listed(const QString& alias = QString())
    {
        QStringList values;
        for (int row = 0; row < grid()->rowCount(); ++row)
            values << grid()->value(row, alias.isEmpty() ? firstAlias : alias).toString();
        return values;
    }
    void selectRow(int row)
    {
        DataGrid* g = grid();
        g->scrollTo(g->model()->index(row, 0));
        QTest::mouseClick(g->viewport(), Qt::LeftButton, {}, g->visualRect(g->model()->index(row, 0)).center());
    }
    int rowOf(const QString& name) { return static_cast<int>(listed().indexOf(name)); }
    // Clicks a column's title, as the user sorts the list by it.
    void clickTitle(const QString& alias)
    {
        DataGrid* g = grid();
        const int column = g->columnOf(alias);
        if (g->rowCount() > 0)
            g->scrollTo(g->model()->index(0, column));
        QHeaderView* titles = g->horizontalHeader();
        QTest::mouseClick(titles->viewport(), Qt::LeftButton, {},
                          QPoint(titles->sectionViewportPosition(column) + 5, titles->height() / 2));
    }
};

// Runs the action inside the event loop, then queues a step that stops the loop itself;
// a quit the action asked for is queued before it. True when the action ended the program.
bool programEndsAfter(std::function<void()> action);

int runTests(int argc, char** argv, QObject* test);

#define ORVANE_TEST_MAIN(TestClass)                                                                                    \
    int main(int argc, char** argv)                                                                                    \
    {                                                                                                                  \
        TestClass test;                                                                                                \
        return runTests(argc, argv, &test);                                                                            \
    }
