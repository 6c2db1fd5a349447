// libFuzzer target: any bytes are valid input, so beyond memory safety it checks the properties that
// hold for every source: the cut to maxLength is a prefix of the uncut code, and the output alphabet.
#include "IMCode.h"

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 5)
        return 0;
    std::int32_t flags;
    std::memcpy(&flags, data, 4);
    const std::int32_t maxLength = static_cast<std::int8_t>(data[4]);
    const std::string_view source(reinterpret_cast<const char*>(data + 5), size - 5);

    const std::string cut = PinyinCode(source, flags, maxLength);
    const std::string whole = PinyinCode(source, flags, INT32_MAX);

    if (flags < 0 && !whole.empty())
        std::abort();
    if (cut != whole.substr(0, maxLength > 0 ? static_cast<std::size_t>(maxLength) : 0))
        std::abort();
    if (whole.size() > source.size() * ((flags & FullSyllable) ? 3 : 1))
        std::abort();
    if (!(flags & KeepSymbols)) {
        for (unsigned char c : whole) {
            const bool ok = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '?';
            if (!ok)
                std::abort();
        }
    }
    // Bits 3-30 are ignored.
    if (PinyinCode(source, flags & ~0x7FFFFFF8, INT32_MAX) != whole)
        std::abort();
    return 0;
}
