#include "comm/json/jsontext.h"

#include <cstddef>
#include <cstdint>

// Device bodies are read as Latin-1 and UDP payloads as UTF-8: feed both.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    for (const QString &text : {QString::fromLatin1(bytes), QString::fromUtf8(bytes)}) {
        bool ok = false;
        const QVariant value = JsonText::parse(text, ok);
        if (ok) {
            bool written = false;
            if (JsonText::serialize(value, written).isNull() || !written)
                __builtin_trap(); // what was read must be writable
        }
    }
    return 0;
}
