#pragma once

#include <QByteArray>
#include <QString>

// GBK bytes of text. A character GBK cannot encode (an emoji, a CJK character beyond GBK) becomes the
// geta mark 〓 (A1FE), GB 2312's own substitution sign: a double-byte character without a pinyin code,
// so it never turns into stray bytes that the pinyin code would read as digits or letters.
QByteArray toGbk(const QString& text);

// Unicode text of GBK bytes; a byte sequence that is not GBK becomes U+FFFD.
QString fromGbk(const QByteArray& gbk);

// Length of text in GBK bytes, an unencodable character counting as two; edit boxes are limited by it.
int gbkByteLength(const QString& text);

// The pinyin search code stored beside a name or organisation.
QString pinyinCodeOf(const QString& text);
