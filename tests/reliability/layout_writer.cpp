// Saves documents first…last through the layout store, one after another, as fast as it can.
// Usage: layout_writer <layout.json> <first> <last>

#include "KillDocument.h"
#include "core/layout/LayoutStore.h"

#include <cstdlib>

int main(int argc, char** argv)
{
    if (argc != 4)
        return 2;
    LayoutStore store(QString::fromLocal8Bit(argv[1]));
    const qint64 first = std::atoll(argv[2]);
    const qint64 last = std::atoll(argv[3]);
    for (qint64 n = first; n <= last; ++n)
        store.setLayout(killTestDocument(n));
    return 0;
}
