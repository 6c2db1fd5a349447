#include "IMCode.h"

#include "PinyinTables.h"

#include <algorithm>
#include <cstring>

namespace {

bool isAsciiAlnum(unsigned char c)
{
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

char toUpperAscii(unsigned char c) { return static_cast<char>(c >= 'a' && c <= 'z' ? c - ('a' - 'A') : c); }

// Writes into a buffer sized up front to the final length, so the cut to maxLength happens as the
// scan goes and the scan stops as soon as the buffer is full.
class Output {
public:
    explicit Output(std::string& buffer) : m_out(buffer.data()), m_end(buffer.data() + buffer.size()) {}

    bool full() const { return m_out == m_end; }
    std::size_t written(const std::string& buffer) const { return m_out - buffer.data(); }

    void put(char c) { *m_out++ = c; }

    void put(const char* piece, std::size_t length)
    {
        length = std::min<std::size_t>(length, m_end - m_out);
        std::memcpy(m_out, piece, length);
        m_out += length;
    }

    void putUpper(const char* piece, std::size_t length)
    {
        length = std::min<std::size_t>(length, m_end - m_out);
        for (std::size_t i = 0; i < length; ++i)
            m_out[i] = toUpperAscii(static_cast<unsigned char>(piece[i]));
        m_out += length;
    }

private:
    char* m_out;
    char* m_end;
};

} // namespace

std::string PinyinCode(std::string_view source, std::int32_t flags, std::int32_t maxLength)
{
    if (flags < 0 || maxLength <= 0 || source.empty())
        return {};

    const bool fullSyllable = flags & FullSyllable;
    const bool markNoCode = flags & MarkNoCode;
    const bool keepSymbols = flags & KeepSymbols;

    // A source byte yields at most one output byte, except a whole syllable: six letters per two bytes.
    const std::size_t bound = source.size() * (fullSyllable ? 3 : 1);
    std::string result(std::min<std::size_t>(bound, static_cast<std::size_t>(maxLength)), '\0');
    Output out(result);

    const auto* p = reinterpret_cast<const unsigned char*>(source.data());
    const auto* const end = p + source.size();
    while (p != end && !out.full()) {
        const unsigned char c = *p;
        const unsigned char n = p + 1 != end ? p[1] : 0;

        if (c < 0x81 || n < 0x40) {
            if (keepSymbols || isAsciiAlnum(c))
                out.put(toUpperAscii(c));
            ++p;
            continue;
        }
        p += 2;

        if (c == 0xA2) {
            if (n >= 0xA1) {
                // Trail 0xFF lies past the table; like its unassigned positions it shows no number.
                const char* digits = n != 0xFF ? NumberSymbolCodes[n - 0xA1] : "";
                out.put(digits, std::strlen(digits));
            } else if (markNoCode) {
                out.put('?');
            }
        } else if (c == 0xA3) {
            const auto ascii = static_cast<unsigned char>(n - 0x80);
            if (keepSymbols || isAsciiAlnum(ascii))
                out.put(static_cast<char>(ascii));
        } else if (c == 0xA6 && ((n >= 0xA1 && n <= 0xB8) || (n >= 0xC1 && n <= 0xD8))) {
            const char* letters = GreekLetterCodes[n - (n >= 0xC1 ? 0xC1 : 0xA1)];
            out.putUpper(letters, std::strlen(letters));
        } else {
            // Row 0xA6 outside the Greek letters (vertical punctuation, unassigned) falls through here
            // and is treated like every other uncoded character of the index.
            const unsigned entry =
                c != 0xFF && n != 0xFF ? PinyinIndex[(c - 0x81) * PinyinIndexColumns + (n - 0x40)] : 0;
            if (entry != 0) {
                const PinyinSyllable& syllable = PinyinSyllables[entry - 1];
                if (fullSyllable)
                    out.putUpper(syllable.letters, syllable.length);
                else
                    out.put(toUpperAscii(static_cast<unsigned char>(syllable.letters[0])));
            } else if (markNoCode) {
                out.put('?');
            }
        }
    }

    result.resize(out.written(result));
    return result;
}
