#pragma once

#include <QString>
#include <stdexcept>

// The one exception type the program throws for failures a user must be told about
// (a failing statement, an unreadable picture, a printer error). The application's
// event dispatch catches it and shows its text in the error box.
class AppError : public std::runtime_error {
public:
    explicit AppError(const QString& message) : std::runtime_error(message.toStdString()), m_message(message) {}
    const QString& message() const noexcept { return m_message; }

private:
    QString m_message;
};

// The user logged in no longer exists (deleted on another PC): after its message the user
// is sent back to the login, since nothing more may be written in that name.
class UserGone : public AppError {
public:
    using AppError::AppError;
};
