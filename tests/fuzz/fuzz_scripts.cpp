// What Terminal, Safari and lsof print, and window bounds.

#include "FuzzInput.h"
#include "core/control/SafariDiscovery.h"
#include "core/control/ScriptedWindows.h"
#include "core/control/TerminalDiscovery.h"

#include <cmath>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString text = textOf(data, size);
    TerminalDiscovery::parseWindowList(text);
    SafariDiscovery::parseWindowList(text);
    TerminalDiscovery::parsePidsByTTY(text);
    TerminalDiscovery::parseCwdByPID(text);
    ScriptedWindows::parseInteger(text);
    if (const auto bounds = ScriptedWindows::parseBounds(text))
        FUZZ_CHECK(std::isfinite(bounds->x()) && std::isfinite(bounds->width()));
    return 0;
}
