#include "SignalExit.h"
#include "Unit1.h"

#include <QApplication>
#include <QDialog>
#include <QSocketNotifier>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <iterator>
#include <unistd.h>
#endif

namespace {

#ifdef Q_OS_UNIX
// The self-pipe: the handler writes a byte, the event loop hears it through a notifier.
int g_pipe[2] = {-1, -1};
const int Signals[] = {SIGTERM, SIGINT};
struct sigaction g_previous[std::size(Signals)];

extern "C" void onSignal(int)
{
    const int saved = errno;
    Unit1::endRequested() = true;
    const char byte = 1;
    // A full pipe already holds a wake-up; nothing else can be done about a failure here.
    [[maybe_unused]] const ssize_t written = ::write(g_pipe[1], &byte, 1);
    errno = saved;
}

bool openPipe()
{
    if (::pipe(g_pipe) != 0)
        return false;
    for (int fd : g_pipe) {
        ::fcntl(fd, F_SETFD, FD_CLOEXEC);
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    }
    return true;
}
#endif

} // namespace

SignalExit::SignalExit(QObject* parent) : QObject(parent)
{
    Unit1::endRequested() = false;
#ifdef Q_OS_UNIX
    if (!openPipe()) {
        qWarning("No pipe for the signal handler: SIGTERM and SIGINT end the program at once");
        return;
    }
    m_notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, [this] {
        char bytes[16];
        while (::read(g_pipe[0], bytes, sizeof bytes) > 0) {
        }
        emit arrived();
    });
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    // SA_RESETHAND: the handler runs once, and a second signal takes its default action.
    action.sa_flags = SA_RESTART | SA_RESETHAND;
    for (size_t i = 0; i < std::size(Signals); ++i)
        sigaction(Signals[i], &action, &g_previous[i]);
#endif
}

SignalExit::~SignalExit()
{
#ifdef Q_OS_UNIX
    if (m_notifier) {
        for (size_t i = 0; i < std::size(Signals); ++i)
            sigaction(Signals[i], &g_previous[i], nullptr);
        delete m_notifier;
        for (int& fd : g_pipe) {
            ::close(fd);
            fd = -1;
        }
    }
#endif
    Unit1::endRequested() = false;
}

const std::atomic<bool>& SignalExit::requested() { return Unit1::endRequested(); }

void SignalExit::endRun()
{
    while (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
        dialog->done(QDialog::Rejected);
    QCoreApplication::exit(0);
}
