#pragma once

#include "platform/Bundle.h"

#include <QString>
#include <functional>
#include <optional>

// The hook definitions that make Claude Code run the state script, the request text the user pastes
// into a Claude Code session to install them, and whether they are installed.
namespace AgentHookSnippet {

inline const QString scriptName = QStringLiteral("agent-state.sh");

// Empty for a path that cannot be embedded safely (a double quote, backslash or single quote).
QString json(const QString& scriptPath);
QString clipboardText(const QString& scriptPath);
bool isInstalled(const QString& settingsJSON, const QString& scriptPath);

std::optional<QString> bundledScriptPath(const Bundle& bundle);
// ~/.claude/settings.json as text, never parsed.
std::optional<QString> installedSettingsJSON(const QString& home);

// The status line of the settings sheet; `hasEntries` is asked only when the hooks are installed.
QString statusDescription(const std::optional<QString>& scriptPath,
                          const std::optional<QString>& settingsJSON,
                          const std::function<bool()>& hasEntries);

} // namespace AgentHookSnippet
