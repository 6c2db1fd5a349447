#pragma once

#include <QLockFile>
#include <QString>
#include <memory>

// Guards against a second running copy of the program: a lock file of the given name
// in the user's runtime folder, held for the whole run. A lock left by a process that
// no longer runs is taken over.
class SingleInstance {
public:
    explicit SingleInstance(const QString& name, const QString& folder = QString());
    bool isFirst() const { return m_first; }

private:
    std::unique_ptr<QLockFile> m_lock;
    bool m_first = false;
};
