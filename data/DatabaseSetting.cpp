#include "DatabaseSetting.h"

#include "AppError.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QSettings>

namespace {
const QString FileName = QStringLiteral("database.ini");

// A field of a ~/.pgpass line: ':' and '\' are escaped with '\'.
QString pgpassField(const QString& value)
{
    QString escaped;
    for (const QChar c : value) {
        if (c == u':' || c == u'\\')
            escaped += u'\\';
        escaped += c;
    }
    return escaped;
}

// The first four fields of a line, unescaped, to find the line this setting replaces.
QStringList pgpassKey(const QString& line)
{
    QStringList fields{QString()};
    for (qsizetype i = 0; i < line.size() && fields.size() <= 4; ++i) {
        if (line[i] == u'\\' && i + 1 < line.size())
            fields.last() += line[++i];
        else if (line[i] == u':')
            fields << QString();
        else
            fields.last() += line[i];
    }
    return fields.mid(0, 4);
}
} // namespace

bool DatabaseSetting::operator==(const DatabaseSetting& other) const
{
    return server == other.server && host == other.host && port == other.port && database == other.database &&
           user == other.user;
}

DatabaseSetting DatabaseSetting::serverAt(const QString& address, const QString& database)
{
    const QStringList parts = address.split(u':');
    DatabaseSetting setting;
    setting.server = true;
    setting.host = parts.value(0);
    setting.port = parts.value(1).toInt();
    setting.user = parts.value(2);
    setting.database = database;
    return setting;
}

QString DatabaseSetting::filePath(const QString& programDir) { return QDir(programDir).filePath(FileName); }

DatabaseSetting DatabaseSetting::load(const QString& programDir)
{
    DatabaseSetting setting;
    if (!QFile::exists(filePath(programDir)))
        return setting;
    QSettings file(filePath(programDir), QSettings::IniFormat);
    file.beginGroup(QStringLiteral("Database"));
    setting.server = file.value(QStringLiteral("Kind")).toString() == QLatin1String("server");
    setting.host = file.value(QStringLiteral("Host")).toString();
    setting.port = file.value(QStringLiteral("Port"), 5432).toInt();
    setting.database = file.value(QStringLiteral("Name")).toString();
    setting.user = file.value(QStringLiteral("User")).toString();
    return setting;
}

void DatabaseSetting::save(const QString& programDir) const
{
    const QString path = filePath(programDir);
    {
        QSettings file(path, QSettings::IniFormat);
        file.clear();
        file.beginGroup(QStringLiteral("Database"));
        file.setValue(QStringLiteral("Kind"), server ? QStringLiteral("server") : QStringLiteral("file"));
        if (server) {
            file.setValue(QStringLiteral("Host"), host);
            file.setValue(QStringLiteral("Port"), port);
            file.setValue(QStringLiteral("Name"), database);
            file.setValue(QStringLiteral("User"), user);
        }
        file.endGroup();
        file.sync();
        if (file.status() == QSettings::NoError)
            return;
    }
    throw AppError(
        QStringLiteral("无法保存数据库设置到 %1，请检查这个文件夹能否写入。").arg(QDir::toNativeSeparators(path)));
}

QString DatabaseSetting::describe() const
{
    if (!server)
        return QStringLiteral("本机数据文件");
    return QStringLiteral("服务器 %1:%2 上的数据库 %3").arg(host).arg(port).arg(database);
}

namespace PgPass {

QString filePath()
{
    const QString fromEnvironment = qEnvironmentVariable("PGPASSFILE");
    return fromEnvironment.isEmpty() ? QDir::home().filePath(QStringLiteral(".pgpass")) : fromEnvironment;
}

void store(const DatabaseSetting& setting, const QString& password)
{
    const QString path = filePath();
    const QStringList key{setting.host, QString::number(setting.port), setting.database, setting.user};
    QStringList fields;
    for (const QString& field : key)
        fields << pgpassField(field);
    // First: libpq takes the first line that matches, and an earlier line with a "*" in it
    // would otherwise hide the password just typed.
    QStringList lines{fields.join(u':') + u':' + pgpassField(password)};
    QFile existing(path);
    if (existing.open(QIODevice::ReadOnly | QIODevice::Text)) {
        for (const QString& line : QString::fromUtf8(existing.readAll()).split(u'\n')) {
            if (!line.isEmpty() && pgpassKey(line) != key)
                lines << line;
        }
    }

    QSaveFile file(path);
    // Made unreadable to others before a byte of the password is in it.
    if (file.open(QIODevice::WriteOnly) && file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner) &&
        file.write((lines.join(u'\n') + u'\n').toUtf8()) >= 0 && file.commit())
        return;
    throw AppError(QStringLiteral("无法把密码保存到 %1，请检查这个文件能否写入。").arg(QDir::toNativeSeparators(path)));
}

} // namespace PgPass
