// The layout document: any bytes decode to a layout or to nothing, and a decoded layout survives
// being written and read back unchanged.

#include "FuzzInput.h"
#include "core/layout/LayoutJson.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const auto layout = LayoutJson::decode(bytesOf(data, size));
    if (layout) {
        const QByteArray written = LayoutJson::encode(*layout);
        const auto again = LayoutJson::decode(written);
        FUZZ_CHECK(again && *again == *layout);
        FUZZ_CHECK(LayoutJson::encode(*again) == written);
    }
    return 0;
}
