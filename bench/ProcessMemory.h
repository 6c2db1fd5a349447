#pragma once

#include <QByteArray>
#include <QFile>

// This process's memory as the kernel counts it, for the benchmarks' figures.

// A "/proc/self/status" value in kB ("VmRSS", "VmHWM"); -1 when it cannot be read.
inline qint64 StatusKb(const char* key)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray prefix = QByteArray(key) + ':';
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(prefix))
            return line.mid(prefix.size()).trimmed().split(' ').first().toLongLong();
    return -1;
}

// Starts a new peak (VmHWM) at the present size, so that each run reports its own.
inline bool ResetPeak()
{
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    return clear.open(QIODevice::WriteOnly) && clear.write("5") == 1;
}
