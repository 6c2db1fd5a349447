// Another program's brief write lock on the database: contact saves and imports wait for
// it and go through, as a waybill save does.
#include "TestSupport.h"

#include "DM.h"
#include "Sender.h"
#include "Sender_Q.h"

#include <QElapsedTimer>
#include <QFile>
#include <QSemaphore>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QThread>
#include <thread>

class TestLocks : public QObject {
    Q_OBJECT
private slots:
    void contactSaveAndImportWaitForABriefLock();
};

namespace {

// Another program takes the write lock and lets go after a while, on a thread and a
// connection of its own.
class BriefLock {
public:
    BriefLock(const QString& path, int ms) : m_thread([this, path, ms] { hold(path, ms); }) { m_taken.acquire(); }
    ~BriefLock() { m_thread.join(); }
    bool held() const { return m_held; }

private:
    void hold(const QString& path, int ms)
    {
        {
            QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "another program");
            db.setDatabaseName(path);
            QSqlQuery query(db);
            m_held = db.open() && query.exec("BEGIN IMMEDIATE");
            m_taken.release();
            QThread::msleep(ms);
            query.exec("COMMIT");
        }
        QSqlDatabase::removeDatabase("another program");
    }

    bool m_held = false;
    QSemaphore m_taken;
    std::thread m_thread;
};

constexpr int LockMs = 1500;

} // namespace

void TestLocks::contactSaveAndImportWaitForABriefLock()
{
    ProgramFolder folder;
    DM().open();
    const QString database = folder.file("Data/db.sqlite3");
    MessageRecorder messages;
    QElapsedTimer waited;

    TfrmSender dialog(nullptr);
    dialog.show();
    child<QLineEdit>(&dialog, "Edit1")->setText("张三");
    {
        BriefLock lock(database, LockMs);
        QVERIFY(lock.held());
        waited.start();
        QTest::mouseClick(child(&dialog, "BitBtn1"), Qt::LeftButton);
        qInfo("A new sender waited %lld ms for a lock held %d ms", waited.elapsed(), LockMs);
    }
    QCOMPARE(messages.texts(), QStringList{"寄件人 信息 保存成功！"});

    const QString csv = folder.file("senders.csv");
    QFile file(csv);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("寄件人,电话号码\n李四,123\n王五,456\n");
    file.close();
    OpenFileAnswer answer(csv);
    QueryDriver<TfrmSender_Q> query("寄件人");
    {
        BriefLock lock(database, LockMs);
        QVERIFY(lock.held());
        waited.start();
        query.run("I1");
        qInfo("An import waited %lld ms for a lock held %d ms", waited.elapsed(), LockMs);
    }
    QVERIFY2(!messages.texts().join('\n').contains("占用"), qPrintable(messages.texts().join('\n')));
    QCOMPARE(RowsOf(SqlText("SELECT theName, thePhone FROM USender ORDER BY ID")),
             QStringList({"张三|", "李四|123", "王五|456"}));
}

ORVANE_TEST_MAIN(TestLocks)
#include "tst_locks.moc"
