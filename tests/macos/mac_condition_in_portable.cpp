// Must fail: code for the Mac hidden from the check behind a condition in a portable source.
#include <QtGlobal>

int columns()
{
#if defined(Q_OS_MACOS)
    return undeclaredOnLinux();
#else
    return 2;
#endif
}
