// libFuzzer target: any bytes given to the JPEG decoder give a picture or an AppError,
// never a crash, a hang or a leak.
#include "AppError.h"
#include "JpegLoader.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    try {
        const QImage image = DecodeJpeg(bytes, QStringLiteral("fuzz.jpg"));
        if (image.isNull())
            __builtin_trap(); // a picture is returned whole or not at all
    } catch (const AppError& error) {
        if (error.message().isEmpty())
            __builtin_trap();
    }
    return 0;
}
