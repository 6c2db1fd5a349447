#pragma once

#include "Messages.h"
#include "Modal.h"

#include <QDialog>
#include <QList>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>
#include <functional>

// A fresh program folder with a fresh database for one test; the data module points
// at it until the folder goes.
class ProgramFolder {
public:
    ProgramFolder();
    ~ProgramFolder();
    QString path() const { return m_dir.path(); }
    QString file(const QString& relative) const { return m_dir.filePath(relative); }

private:
    QTemporaryDir m_dir;
};

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

// Answers the file-open dialog with a fixed path (empty: cancelled).
class OpenFileAnswer {
public:
    explicit OpenFileAnswer(QString answer);
    ~OpenFileAnswer();
    QStringList filtersAsked;

private:
    OpenFileHandler m_previous;
};

template <class T = QWidget> T* child(QObject* parent, const char* name)
{
    T* found = parent->findChild<T*>(QLatin1String(name));
    if (!found)
        qWarning("no child named %s", name);
    return found;
}

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
