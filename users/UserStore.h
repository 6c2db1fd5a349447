#pragma once

#include "SqlText.h"

#include <QString>

// The users' statements. Passwords are checked against their stored hashes here.
namespace UserStore {

// The name of the one user whose name and password match, or an empty text when no
// user, or more than one, matches.
QString checkLogin(const QString& name, const QString& password);

// Stores the hash of a new password for the user of exactly this name.
void setPassword(const QString& name, const QString& password);

// The user list, in the order the users were added: "SELECT theName AS 用户名, Remark AS 备注, ID FROM SUser ".
SqlText userListing();

bool nameExists(const QString& name);
// A new user starts with the initial password.
void addUser(const QString& name, const QString& remark);
// Why this user may not be deleted now: the user logged in here, or the last user (no one
// could log in anywhere); empty when it may.
QString deleteRefusal(const QString& name);
// The user's rights go with the user; waybills keep the name they were saved under. Checked
// again as it deletes, two PCs deleting at once taking turns: throws AppError with the
// refusal, or when the user is gone already.
void deleteUser(qint64 id);

} // namespace UserStore
