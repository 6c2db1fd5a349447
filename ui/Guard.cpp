#include "Guard.h"

#include "AppError.h"
#include "Messages.h"

namespace {
std::function<void()> g_userGone;
}

void OnUserGone(std::function<void()> handler) { g_userGone = std::move(handler); }

void ReportError(QWidget* parent, const std::exception& error)
{
    if (const auto* appError = dynamic_cast<const AppError*>(&error))
        ShowError(parent, appError->message());
    else
        ShowError(parent, QString::fromLocal8Bit(error.what()));
    if (dynamic_cast<const UserGone*>(&error) && g_userGone)
        g_userGone();
}
