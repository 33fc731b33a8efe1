#include "platform/linux/OpenTranslation.h"

#include "platform/linux/TerminalEmulators.h"

#include <QDir>

namespace OpenTranslation {
namespace {

QString absolute(const QString& path)
{
    return QDir::cleanPath(QDir::current().absoluteFilePath(path));
}

std::optional<Command> firstFound(const QStringList& programs, const QStringList& arguments,
                                  const std::function<QString(const QString&)>& findExecutable)
{
    for (const QString& name : programs) {
        if (const QString program = findExecutable(name); !program.isEmpty())
            return Command{program, arguments, {}};
    }
    return std::nullopt;
}

} // namespace

std::optional<Command> translate(const QStringList& args,
                                 const std::function<QString(const QString&)>& findExecutable)
{
    if (args.size() < 2 || args.size() > 3)
        return std::nullopt;
    const QString target = args.value(2);
    const QString mode = args[0];
    const QString application = args[1];

    if (mode == QStringLiteral("-b") && application == QStringLiteral("com.microsoft.VSCode")) {
        const QStringList folder = target.isEmpty() ? QStringList{} : QStringList{absolute(target)};
        if (auto editor = firstFound({QStringLiteral("code")}, folder, findExecutable))
            return editor;
        return folder.isEmpty() ? std::nullopt
                                : firstFound({QStringLiteral("xdg-open")}, folder, findExecutable);
    }
    if (mode != QStringLiteral("-a"))
        return std::nullopt;
    if (application == QStringLiteral("Terminal")) {
        // The user's chosen emulator where Debian's alternatives name one, else the first known.
        QStringList emulators{QString::fromLatin1(TerminalEmulators::chosen)};
        for (const TerminalEmulators::Emulator& emulator : TerminalEmulators::known)
            emulators.append(QString::fromLatin1(emulator.program));
        auto terminal = firstFound(emulators, {}, findExecutable);
        if (terminal)
            terminal->workingDirectory = target.isEmpty() ? QDir::homePath() : absolute(target);
        return terminal;
    }
    if (args.size() != 3 || target.isEmpty() || target.startsWith(u'-'))
        return std::nullopt;
    // Chrome is Chrome or Chromium, or the request fails (the panel then says the browser is
    // missing); Safari, which Linux lacks, stands for the default browser.
    if (application == QStringLiteral("Google Chrome"))
        return firstFound({QStringLiteral("google-chrome"), QStringLiteral("google-chrome-stable"),
                           QStringLiteral("chromium"), QStringLiteral("chromium-browser")},
                          {target}, findExecutable);
    if (application != QStringLiteral("Safari"))
        return std::nullopt;
    return firstFound({QStringLiteral("xdg-open")}, {target}, findExecutable);
}

} // namespace OpenTranslation
