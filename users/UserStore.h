#pragma once

#include <QString>

// The users' statements. Passwords are checked against their stored hashes here.
namespace UserStore {

// The name of the one user whose name and password match, or an empty text when no
// user, or more than one, matches.
QString checkLogin(const QString& name, const QString& password);

} // namespace UserStore
