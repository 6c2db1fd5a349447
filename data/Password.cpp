#include "Password.h"

#include "AppError.h"

#include <sodium.h>

namespace {
void initSodium()
{
    static const bool ready = sodium_init() >= 0;
    if (!ready)
        throw AppError(QStringLiteral("无法初始化密码库。"));
}
} // namespace

namespace Password {

QString hash(const QString& password)
{
    initSodium();
    const QByteArray bytes = password.toUtf8();
    char out[crypto_pwhash_STRBYTES];
    if (crypto_pwhash_str(out, bytes.constData(), static_cast<unsigned long long>(bytes.size()),
                          crypto_pwhash_OPSLIMIT_INTERACTIVE, crypto_pwhash_MEMLIMIT_INTERACTIVE) != 0)
        throw AppError(QStringLiteral("内存不足，无法保存密码。"));
    return QString::fromLatin1(out);
}

bool verify(const QString& password, const QString& stored)
{
    initSodium();
    const QByteArray hashText = stored.toLatin1();
    if (hashText.isEmpty() || hashText.size() >= crypto_pwhash_STRBYTES)
        return false;
    char buffer[crypto_pwhash_STRBYTES] = {};
    std::copy(hashText.begin(), hashText.end(), buffer);
    const QByteArray bytes = password.toUtf8();
    return crypto_pwhash_str_verify(buffer, bytes.constData(), static_cast<unsigned long long>(bytes.size())) == 0;
}

} // namespace Password
