#pragma once

#include "platform/DesktopServices.h"

#include <QString>
#include <QStringList>

// Opening instead of raising: folders in the editor or Terminal, addresses in a browser,
// applications; all through `/usr/bin/open` or the workspace service.
namespace Launcher {

inline const QString vscodeBundleID = QStringLiteral("com.microsoft.VSCode");
inline const QString openTool = QStringLiteral("/usr/bin/open");

// The argument lists given to `open`.
QStringList vscodeArguments(const QString& path);
QStringList terminalArguments(const QString& path);
QStringList browserArguments(const QString& urlString, const QString& browser);

bool openInVSCode(Processes& processes, const QString& path);
bool openInTerminal(Processes& processes, const QString& path);
bool openInSafari(Processes& processes, const QString& urlString);
// The only opening that waits: true when `open` exited with status 0.
bool openInBrowser(Processes& processes, const QString& urlString, const QString& browser);
bool openApplication(Workspace& workspace, const QString& path);

// An http or https address with a host; nothing is trimmed.
bool validateURL(const QString& urlString);
// "localhost:3000" → "http://localhost:3000"; addresses with a scheme of their own stay as typed.
QString buildServerURL(const QString& address);

} // namespace Launcher

namespace FinderController {
// Opens (or brings forward) the folder, its path standardised, in the file manager.
bool raiseOrOpen(Workspace& workspace, const QString& folderPath);
} // namespace FinderController
