#include "DatabaseSetting.h"

#include "AppError.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QSettings>

namespace {
const QString FileName = QStringLiteral("database.ini");
// Far more than the few lines 数据库设置 writes.
constexpr qint64 MaxFileBytes = 64 * 1024;
// As database.ini keeps them, in the order of DatabaseSetting::Tls.
const QStringList TlsModes = {QStringLiteral("prefer"), QStringLiteral("require"), QStringLiteral("verify-full")};

// A field of a ~/.pgpass line: ':' and '\' are escaped with '\'.
QByteArray pgpassField(const QByteArray& value)
{
    QByteArray escaped;
    for (const char c : value) {
        if (c == ':' || c == '\\')
            escaped += '\\';
        escaped += c;
    }
    return escaped;
}

// The fields of a line, unescaped, as bytes: the file may hold other programs' lines in any
// encoding, and those are kept as they are. Fewer than five fields: not a line libpq reads.
QList<QByteArray> pgpassFields(const QByteArray& line)
{
    QList<QByteArray> fields{QByteArray()};
    for (qsizetype i = 0; i < line.size(); ++i) {
        if (line[i] == '\\' && i + 1 < line.size())
            fields.last() += line[++i];
        else if (line[i] == ':')
            fields << QByteArray();
        else
            fields.last() += line[i];
    }
    return fields;
}
} // namespace

bool DatabaseSetting::operator==(const DatabaseSetting& other) const
{
    return server == other.server && host == other.host && port == other.port && database == other.database &&
           user == other.user && tls == other.tls && rootCertificate == other.rootCertificate;
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
    const QString path = filePath(programDir);
    QFile raw(path);
    if (!raw.exists())
        return setting;
    const QString shown = QDir::toNativeSeparators(path);
    const QString correct = QStringLiteral("请在登录窗口点“数据库设置”，重新选择数据库后保存。");
    // What 数据库设置 writes is a few lines; a file far past that is not ours, and QSettings
    // would read all of it.
    if (!raw.open(QIODevice::ReadOnly)) {
        setting.fault = QStringLiteral("无法读取数据库设置文件 %1，请检查这个文件能否读取。").arg(shown);
        return setting;
    }
    if (raw.size() > MaxFileBytes || raw.read(MaxFileBytes + 1).size() > MaxFileBytes) {
        setting.fault =
            QStringLiteral("数据库设置文件 %1 超过 %2 KB，不是本软件保存的设置。").arg(shown).arg(MaxFileBytes / 1024) +
            correct;
        return setting;
    }
    raw.close();

    QSettings file(path, QSettings::IniFormat);
    file.beginGroup(QStringLiteral("Database"));
    setting.server = file.value(QStringLiteral("Kind")).toString() == QLatin1String("server");
    const auto text = [&](const char* key, int bound, const QString& name) {
        QString value = file.value(QLatin1String(key)).toString();
        if (value.size() > bound && setting.fault.isEmpty())
            setting.fault = QStringLiteral("数据库设置文件 %1 中的%2超过 %3 个字符，不是本软件保存的设置。")
                                .arg(shown, name)
                                .arg(bound) +
                            correct;
        value.truncate(bound);
        return value;
    };
    setting.host = text("Host", MaxHostLength, QStringLiteral("服务器地址"));
    setting.database = text("Name", MaxNameLength, QStringLiteral("数据库名"));
    setting.user = text("User", MaxNameLength, QStringLiteral("用户名"));
    setting.rootCertificate = text("SslRootCert", MaxPathLength, QStringLiteral("根证书文件"));
    const int mode = TlsModes.indexOf(file.value(QStringLiteral("Ssl"), TlsModes[0]).toString());
    setting.tls = mode < 0 ? Tls::Preferred : Tls(mode);
    if (mode < 0 && setting.fault.isEmpty())
        setting.fault = QStringLiteral("数据库设置文件 %1 中的加密连接不是本软件认得的值。").arg(shown) + correct;
    bool number = false;
    setting.port = file.value(QStringLiteral("Port"), 5432).toInt(&number);
    if ((!number || setting.port < 1 || setting.port > 65535) && setting.fault.isEmpty())
        setting.fault = QStringLiteral("数据库设置文件 %1 中的端口不是 1 到 65535 之间的数。").arg(shown) + correct;
    if (file.status() != QSettings::NoError && setting.fault.isEmpty())
        setting.fault = QStringLiteral("数据库设置文件 %1 的格式不对。").arg(shown) + correct;
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
            file.setValue(QStringLiteral("Ssl"), TlsModes[int(tls)]);
            if (tls == Tls::Verified)
                file.setValue(QStringLiteral("SslRootCert"), rootCertificate);
        }
        file.endGroup();
        file.sync();
        if (file.status() == QSettings::NoError)
            return;
    }
    throw AppError(
        QStringLiteral("无法保存数据库设置到 %1，请检查这个文件夹能否写入。").arg(QDir::toNativeSeparators(path)));
}

QList<std::pair<QByteArray, QByteArray>> DatabaseSetting::tlsOptions() const
{
    QList<std::pair<QByteArray, QByteArray>> options{{"sslmode", TlsModes[int(tls)].toLatin1()}};
    if (tls == Tls::Verified)
        options.append({"sslrootcert", QFile::encodeName(rootCertificate)});
    return options;
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
    const QString shown = QDir::toNativeSeparators(path);
    const QList<QByteArray> key{setting.host.toUtf8(), QByteArray::number(setting.port), setting.database.toUtf8(),
                                setting.user.toUtf8()};
    QByteArray line;
    for (const QByteArray& field : key)
        line += pgpassField(field) + ':';
    // First: libpq takes the first line that matches, and an earlier line with a "*" in it
    // would otherwise hide the password just typed.
    QByteArray written = line + pgpassField(password.toUtf8()) + '\n';

    QFile existing(path);
    if (existing.exists()) {
        if (!existing.open(QIODevice::ReadOnly))
            throw AppError(QStringLiteral("读不了密码文件 %1，没有保存密码，也没有改动它。\n"
                                          "请检查这个文件的读取权限，再保存一次。")
                               .arg(shown));
        const QByteArray old = existing.readAll();
        // Every other line stays byte for byte; a file that is no password file at all is left alone.
        for (qsizetype at = 0; at < old.size();) {
            qsizetype end = old.indexOf('\n', at);
            end = end < 0 ? old.size() : end + 1;
            const QByteArray kept = old.mid(at, end - at);
            at = end;
            QByteArray content = kept;
            while (content.endsWith('\n') || content.endsWith('\r'))
                content.chop(1);
            if (content.contains('\0') ||
                (!content.isEmpty() && !content.startsWith('#') && pgpassFields(content).size() < 5))
                throw AppError(QStringLiteral("密码文件 %1 里有本软件看不懂的内容，它可能不是密码文件。"
                                              "没有保存密码，也没有改动它。\n请检查这个文件（或环境变量 PGPASSFILE "
                                              "指向的位置），再保存一次。")
                                   .arg(shown));
            if (content.startsWith('#') || pgpassFields(content).mid(0, 4) != key)
                written += kept;
        }
    }

    QSaveFile file(path);
    // Made unreadable to others before a byte of the password is in it.
    if (file.open(QIODevice::WriteOnly) && file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner) &&
        file.write(written) == written.size() && file.commit())
        return;
    throw AppError(QStringLiteral("无法把密码保存到 %1，请检查这个文件能否写入。").arg(shown));
}

} // namespace PgPass
