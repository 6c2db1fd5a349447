#include "Guard.h"

#include "AppError.h"
#include "Messages.h"

void ReportError(QWidget* parent, const std::exception& error)
{
    if (const auto* appError = dynamic_cast<const AppError*>(&error))
        ShowError(parent, appError->message());
    else
        ShowError(parent, QString::fromLocal8Bit(error.what()));
}
