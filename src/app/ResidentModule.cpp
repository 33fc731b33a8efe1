#include "app/Resident.h"
#include "core/Log.h"

#include <QString>
#include <dlfcn.h>
#include <filesystem>
#include <system_error>

// The resident application is a module beside the executable, loaded only when it is needed.
int runResident(int argc, char** argv)
{
    std::error_code error;
    const auto executable = std::filesystem::read_symlink("/proc/self/exe", error);
    const auto module = executable.parent_path() / "libpanedeck-resident.so";
    void* handle = error ? nullptr : dlopen(module.c_str(), RTLD_NOW | RTLD_LOCAL);
    auto* entry =
        handle ? reinterpret_cast<int (*)(int, char**)>(dlsym(handle, "panedeck_resident_main")) : nullptr;
    if (!entry) {
        const char* reason = dlerror();
        Log::line(QStringLiteral("Panedeck: cannot load the resident application: ") +
                  QString::fromLocal8Bit(reason ? reason : "not found"));
        return 1;
    }
    return entry(argc, argv);
}
