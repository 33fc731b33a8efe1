#include "app/Resident.h"
#include "core/Log.h"

#include <QString>
#include <dlfcn.h>
#include <filesystem>
#include <system_error>

// The resident application is a module loaded only when it is needed: beside the executable in the
// build tree, in <libdir>/panedeck once installed.
int runResident(int argc, char** argv)
{
    std::error_code error;
    const auto folder = std::filesystem::read_symlink("/proc/self/exe", error).parent_path();
    void* handle = nullptr;
    for (const auto& candidate : {folder, folder / PANEDECK_INSTALLED_MODULE_DIR}) {
        const auto module = candidate / "libpanedeck-resident.so";
        if (!error && std::filesystem::exists(module, error))
            handle = dlopen(module.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (handle)
            break;
    }
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
