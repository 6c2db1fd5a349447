#include "Application.h"

#include "Guard.h"
#include "Unit1.h"

OrvaneApplication::OrvaneApplication(int& argc, char** argv) : QApplication(argc, argv)
{
    setApplicationName(QStringLiteral("orvane-waybill"));
    setApplicationDisplayName(Unit1::AppTitle);
    setApplicationVersion(Unit1::VersionText);
}

bool OrvaneApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        ReportError(nullptr, error);
    } catch (...) {
        ReportError(nullptr, std::runtime_error("unknown error"));
    }
    return false;
}
