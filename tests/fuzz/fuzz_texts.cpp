// Window titles, drag payloads, web addresses, the canonical comparison of texts, and the desktop
// settings an X11 settings manager publishes.

#include "FuzzInput.h"
#include "core/control/Launcher.h"
#include "core/layout/DragPayload.h"
#include "core/layout/URLUtil.h"
#include "core/shell/XSettings.h"
#include "core/text/Text.h"
#include "core/windows/TitleParser.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString text = textOf(data, size);
    TitleParser::projectName(text);
    DragPayload::parse(text);
    // The quick paths answer as the full ones do.
    FUZZ_CHECK(URLUtil::domain(text) == (text.isEmpty() ? std::nullopt : URLUtil::parsedDomain(text)));
    if (const auto plain = URLUtil::plainDomain(text))
        FUZZ_CHECK(URLUtil::parsedDomain(text) == plain->toString());
    Launcher::validateURL(Launcher::buildServerURL(text));
    const QString key = Text::nfc(text.left(64));
    FUZZ_CHECK(Text::equalsCanonical(text.left(64), key));
    FUZZ_CHECK(Text::equal(text.left(64), Text::canonical(text.left(64))));
    FUZZ_CHECK(Text::forDisplay(text).size() <= Text::displayLimit);
    // The header and every setting take 12 bytes at least.
    const QByteArray bytes = bytesOf(data, size);
    if (const auto settings = XSettings::integers(bytes))
        FUZZ_CHECK(12 * (settings->size() + 1) <= bytes.size());
    XSettings::reducedMotion(bytes);
    XSettings::selection(bytes);
    return 0;
}
