// Window properties, which any program on the display may set to anything: titles, WM_CLASS,
// _NET_WM_PID and lists of 32-bit values.

#include "FuzzInput.h"
#include "platform/x11/X11Connection.h"

#include <algorithm>

namespace {

// Atoms are numbered by the server: any two that are not predefined.
constexpr xcb_atom_t utf8 = 300, compound = 301;
constexpr xcb_atom_t types[] = {
    utf8, compound, XCB_ATOM_STRING, XCB_ATOM_CARDINAL, XCB_ATOM_WINDOW, XCB_ATOM_ATOM, XCB_NONE, 999};
constexpr uint8_t formats[] = {8, 16, 32, 0};

// The decoded title as UTF-8 is what was set, less a byte-order mark, and less at most the three
// bytes of a character split where the value was cut.
bool readAsSet(const QByteArray& set, const QByteArray& back, bool cut)
{
    const QByteArray read = set.left(X11Connection::textLimit);
    for (const QByteArray& candidate : {read, read.startsWith("\xef\xbb\xbf") ? read.mid(3) : read}) {
        if (candidate.startsWith(back) && candidate.size() - back.size() <= (cut ? 3 : 0))
            return true;
    }
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    // The first byte gives the type (three bits), the format (two), whether the server had more
    // than it sent, and whether the value is repeated past the bound of text; the rest is the value.
    const uint8_t head = data[0];
    X11Connection::Property property;
    property.type = types[head & 7];
    property.format = formats[(head >> 3) & 3];
    property.complete = (head & 0x40) == 0;
    property.data = bytesOf(data + 1, size - 1);
    if ((head & 0x80) && !property.data.isEmpty())
        property.data =
            property.data.repeated(qsizetype(X11Connection::textLimit) / property.data.size() + 1);
    const bool cut = !property.complete || property.data.size() > qsizetype(X11Connection::textLimit);

    if (const auto title = X11Connection::text(property, utf8, compound)) {
        FUZZ_CHECK(property.format == 8 && title->size() <= qsizetype(X11Connection::textLimit));
        if (property.type == utf8)
            FUZZ_CHECK(readAsSet(property.data, title->toUtf8(), cut));
        else
            FUZZ_CHECK(title->size() == std::min(property.data.size(), qsizetype(X11Connection::textLimit)));
    }
    const QByteArray windowClass = X11Connection::windowClass(property);
    FUZZ_CHECK(!windowClass.contains('\0') && property.data.contains(windowClass));
    if (const auto pid = X11Connection::processId(property))
        FUZZ_CHECK(*pid > 0 && property.type == XCB_ATOM_CARDINAL && property.format == 32);
    const QList<uint32_t> values = X11Connection::values32(property);
    FUZZ_CHECK(values.size() <= qsizetype(X11Connection::valuesLimit) &&
               values.size() * 4 <= property.data.size());
    return 0;
}
