#include "app/Resident.h"

#include "core/Log.h"
#include "platform/Platform.h"

#include <QApplication>

extern "C" __attribute__((visibility("default"))) int panedeck_resident_main(int argc, char** argv)
{
    if (!Platform::hasDesktop()) {
        Log::line(QStringLiteral("Panedeck: no desktop to run on (is DISPLAY set?)"));
        return 1;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Panedeck"));
    // A resident accessory: it lives without any window and ends only when told to quit.
    QApplication::setQuitOnLastWindowClosed(false);
    return QApplication::exec();
}
