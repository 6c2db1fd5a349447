#include "TestSupport.h"

#include "Application.h"
#include "DM.h"
#include "Unit1.h"

#include <QProcess>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTimer>

ProgramFolder::ProgramFolder()
{
    Unit1::setProgramDir(m_dir.path());
    DM().setProgramDir(m_dir.path());
}

ProgramFolder::~ProgramFolder() { DM().close(); }

MessageRecorder::MessageRecorder(bool defaultAnswer) : m_default(defaultAnswer)
{
    m_previous = setMessageHandler([this](const MessageRequest& request) {
        m_shown << request;
        if (request.kind == MessageKind::Question && !m_answers.isEmpty())
            return m_answers.takeFirst();
        return m_default;
    });
}

MessageRecorder::~MessageRecorder() { setMessageHandler(m_previous); }

QStringList MessageRecorder::texts() const
{
    QStringList result;
    for (const MessageRequest& request : m_shown)
        result << request.text;
    return result;
}

ModalRecorder::ModalRecorder()
{
    m_previous = setModalHandler([this](QDialog* dialog) {
        opened << dialog;
        dialog->show();
        QCoreApplication::processEvents();
        return onOpen ? onOpen(dialog) : int(QDialog::Rejected);
    });
}

ModalRecorder::~ModalRecorder() { setModalHandler(m_previous); }

OpenFileAnswer::OpenFileAnswer(QString answer)
{
    m_previous = setOpenFileHandler([this, answer](QWidget*, const QString& filter) {
        filtersAsked << filter;
        return answer;
    });
}

OpenFileAnswer::~OpenFileAnswer() { setOpenFileHandler(m_previous); }

QStringList RowsOf(const SqlText& select)
{
    QSqlQuery query = DM().run(select);
    QStringList rows;
    while (query.next()) {
        QStringList fields;
        for (int i = 0; i < query.record().count(); ++i)
            fields << query.value(i).toString();
        rows << fields.join(QLatin1Char('|'));
    }
    return rows;
}

QObject* standInOwner()
{
    static QObject owner;
    return &owner;
}

bool programEndsAfter(std::function<void()> action)
{
    // The step that stops the loop goes with this call: left queued after a quit, it would
    // end the next event loop a test runs, a dialog's or a wait's.
    QObject step;
    QTimer::singleShot(0, &step, [action, &step] {
        action();
        QMetaObject::invokeMethod(
            &step, [] { QCoreApplication::exit(99); }, Qt::QueuedConnection);
    });
    return QCoreApplication::exec() == 0;
}

int runTests(int argc, char** argv, QObject* test)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    OrvaneApplication app(argc, argv);
    return QTest::qExec(test, argc, argv);
}

QString PdfText(const QString& pdf)
{
    QProcess process;
    process.start("pdftotext", {"-layout", pdf, "-"});
    process.waitForFinished(30000);
    // The print face's characters read back as the radicals that look the same (人 as ⼈,
    // 门 as ⻔).
    QString text = QString::fromUtf8(process.readAllStandardOutput()).normalized(QString::NormalizationForm_KC);
    const QString radicals = QStringLiteral("⻔⻓⻋⻅⻉⻢⻚⻛⻜⻥⻦⻘⻩⻬⻮⻰⻳⻨⻄");
    const QString characters = QStringLiteral("门长车见贝马页风飞鱼鸟青黄齐齿龙龟麦西");
    for (qsizetype i = 0; i < radicals.size(); ++i)
        text.replace(radicals[i], characters[i]);
    return text;
}
