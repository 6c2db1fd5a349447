#pragma once

#include <QString>

// Passwords are stored as salted Argon2id hashes, never as typed.
namespace Password {

QString hash(const QString& password);
bool verify(const QString& password, const QString& stored);

} // namespace Password
