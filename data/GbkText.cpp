#include "GbkText.h"

#include "IMCode.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <climits>

namespace {

constexpr int StoredCodeLength = 255;

// Length of the UTF-8 sequence that starts with lead; QString::toUtf8 only produces valid ones.
std::size_t utf8SequenceLength(unsigned char lead)
{
    if (lead >= 0xF0)
        return 4;
    if (lead >= 0xE0)
        return 3;
    return lead >= 0xC0 ? 2 : 1;
}

int gbkBytesOf(QChar first) { return first.unicode() < 0x80 || first.unicode() == 0x20AC ? 1 : 2; }

// Runs iconv over the whole input. Where it meets a sequence it cannot convert, skip(in) says how many
// input bytes to drop and replacement is written in their place.
template <typename Skip>
QByteArray convert(const char* to, const char* from, const QByteArray& input, const QByteArray& replacement, Skip skip)
{
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1))
        qFatal("iconv cannot convert %s to %s", from, to);

    QByteArray output(input.size() * 2 + 8, Qt::Uninitialized);
    char* in = const_cast<char*>(input.constData());
    std::size_t inLeft = static_cast<std::size_t>(input.size());
    std::size_t used = 0;
    while (inLeft > 0) {
        char* out = output.data() + used;
        std::size_t outLeft = static_cast<std::size_t>(output.size()) - used;
        const bool done = iconv(cd, &in, &inLeft, &out, &outLeft) != static_cast<std::size_t>(-1);
        const int error = errno;
        used = static_cast<std::size_t>(out - output.data());
        if (done)
            break;
        if (error == E2BIG || outLeft < static_cast<std::size_t>(replacement.size())) {
            output.resize(output.size() * 2);
            continue;
        }
        // EILSEQ, or EINVAL for a sequence cut off at the end.
        const std::size_t dropped = std::min(skip(static_cast<unsigned char>(*in)), inLeft);
        in += dropped;
        inLeft -= dropped;
        std::copy(replacement.begin(), replacement.end(), output.begin() + used);
        used += static_cast<std::size_t>(replacement.size());
    }
    iconv_close(cd);
    output.truncate(static_cast<qsizetype>(used));
    return output;
}

// QString::toUtf8 turns a lone surrogate into a single '?'; make it U+FFFD so that it, too, becomes
// the double-byte placeholder like any other character GBK lacks.
QByteArray utf8Of(QString text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
            ++i;
        else if (text.at(i).isSurrogate())
            text[i] = QChar::ReplacementCharacter;
    }
    return text.toUtf8();
}

} // namespace

QByteArray toGbk(const QString& text)
{
    // Plain GBK, not GB 18030: the latter's four-byte forms end in ASCII digits, which would leak
    // into the pinyin code.
    return convert("GBK", "UTF-8", utf8Of(text), QByteArrayLiteral("\xA1\xFE"), utf8SequenceLength);
}

QString fromGbk(const QByteArray& gbk)
{
    return QString::fromUtf8(convert("UTF-8", "GBK", gbk, QByteArrayLiteral("\xEF\xBF\xBD"),
                                     [](unsigned char) -> std::size_t { return 1; }));
}

int gbkByteLength(const QString& text) { return static_cast<int>(toGbk(text).size()); }

int GbkBytesOf(QStringView text)
{
    int bytes = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        bytes += gbkBytesOf(text[i]);
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            ++i;
    }
    return bytes;
}

qsizetype FittingLength(QStringView text, qsizetype units, int gbkBytes)
{
    if (units >= 0 && units < text.size())
        text = text.left(units);
    int room = gbkBytes < 0 ? INT_MAX : gbkBytes;
    qsizetype cut = 0;
    while (cut < text.size()) {
        const bool pair = text[cut].isHighSurrogate() && cut + 1 < text.size() && text[cut + 1].isLowSurrogate();
        if (text[cut].isHighSurrogate() && !pair && cut + 1 == text.size())
            break; // the first half of a character whose second half was cut off
        const int bytes = gbkBytesOf(text[cut]);
        if (bytes > room)
            break;
        room -= bytes;
        cut += pair ? 2 : 1;
    }
    return cut;
}

QString pinyinCodeOf(const QString& text)
{
    const QByteArray gbk = toGbk(text);
    const std::string code = PinyinCode(std::string_view(gbk.constData(), static_cast<std::size_t>(gbk.size())),
                                        MarkNoCode, StoredCodeLength);
    return QString::fromLatin1(code.data(), static_cast<qsizetype>(code.size()));
}
