#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

// What the macOS `open` command lines of the launcher mean on a Linux desktop:
//   -b com.microsoft.VSCode [folder]  → the `code` command (else the file manager for the folder)
//   -a Terminal [folder]              → the terminal emulator (x-terminal-emulator, else the first
//                                       known one installed), working in the folder
//   -a Safari <address>               → the default browser (xdg-open)
//   -a "Google Chrome" <address>      → google-chrome or chromium when installed, else xdg-open
// Folders are made absolute so that none can be taken for an option; addresses beginning with "-"
// are refused for the same reason.
namespace OpenTranslation {

struct Command {
    QString program;
    QStringList arguments;
    QString workingDirectory;
    bool operator==(const Command&) const = default;
};

// `findExecutable` answers the absolute path of a program on the search path, or an empty text.
std::optional<Command> translate(const QStringList& openArguments,
                                 const std::function<QString(const QString&)>& findExecutable);

} // namespace OpenTranslation
