#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

// GBK bytes of text. A character GBK cannot encode (an emoji, a CJK character beyond GBK) becomes the
// geta mark 〓 (A1FE), GB 2312's own substitution sign: a double-byte character without a pinyin code,
// so it never turns into stray bytes that the pinyin code would read as digits or letters.
QByteArray toGbk(const QString& text);

// Unicode text of GBK bytes; a byte sequence that is not GBK becomes U+FFFD.
QString fromGbk(const QByteArray& gbk);

// Length of text in GBK bytes, an unencodable character counting as two; edit boxes are limited by it.
int gbkByteLength(const QString& text);

// How much of `text` an edit box takes, as typing or pasting it would: at most `units` UTF-16 units (the
// box's own length limit) and at most `gbkBytes` bytes of GBK text (a negative limit is none), always cut
// at a whole character. Bytes are counted character by character: one for ASCII and the euro sign (0x80
// in GBK), two for anything else, whether GBK has it or it becomes the two-byte placeholder. (iconv drops
// a few invisible characters, U+FEFF and the tag characters, which gbkByteLength then counts as none;
// two is on the safe side.)
qsizetype FittingLength(QStringView text, qsizetype units, int gbkBytes);
int GbkBytesOf(QStringView text);

// The pinyin search code stored beside a name or organisation.
QString pinyinCodeOf(const QString& text);
