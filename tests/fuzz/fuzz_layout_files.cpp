// The store's files beside layout.json, named by whatever any program puts in the folder: the sweep
// removes an entry only when the store's own writer could have made it, and never the layout file,
// a copy of it under another name, or the name an unreadable file is kept under.

#include "FuzzInput.h"
#include "core/layout/LayoutStore.h"

#include <algorithm>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Eight bytes of time, then the file's name, a folder entry and a random part, NUL-separated.
    qint64 msecs = 0;
    const size_t head = std::min(size, sizeof msecs);
    if (head > 0)
        std::memcpy(&msecs, data, head);
    const QStringList parts = partsOf(data + head, size - head);
    const QString fileName = parts.value(0), entry = parts.value(1), random = parts.value(2);

    if (LayoutFiles::isSaveName(entry, fileName)) {
        FUZZ_CHECK(LayoutFiles::saveName(fileName, entry.right(12)) == entry);
        FUZZ_CHECK(entry != fileName && !entry.contains(u'/'));
    }
    FUZZ_CHECK(!LayoutFiles::isSaveName(fileName, fileName));
    // A copy beside it, as layout.json.backup (a name of dots alone can be read both ways).
    if (fileName.count(u'.') != fileName.size())
        FUZZ_CHECK(!LayoutFiles::isSaveName(fileName + u'.' + random, fileName));
    const bool taken = LayoutFiles::isSaveName(LayoutFiles::saveName(fileName, random), fileName);
    FUZZ_CHECK(!taken || (random.size() == 12 && random == random.toLower()));
    if (!fileName.contains(u'/'))
        FUZZ_CHECK(
            LayoutFiles::isSaveName(LayoutFiles::saveName(fileName, LayoutFiles::saveRandom()), fileName));

    const QString folder = QStringLiteral("/support/");
    const QDateTime time = QDateTime::fromMSecsSinceEpoch(msecs, Qt::UTC);
    const int attempt = 2 + int(random.size() % 998);
    const QString first = LayoutFiles::keptName(folder + fileName, time, 1);
    const QString later = LayoutFiles::keptName(folder + fileName, time, attempt);
    for (const QString& kept : {first, later}) {
        FUZZ_CHECK(kept.startsWith(folder + fileName + QStringLiteral(".unreadable-")));
        FUZZ_CHECK(!LayoutFiles::isSaveName(QStringView(kept).mid(folder.size()), fileName));
    }
    FUZZ_CHECK(first != later);
    return 0;
}
