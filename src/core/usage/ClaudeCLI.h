#pragma once

#include "platform/Processes.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

// Claude Code's command-line program, run now and then with "/usage" so that it refreshes the
// figures it caches in "~/.claude.json". Its output is never read.
namespace ClaudeCLI {

// The only places searched, in order: ~/.local/bin, /opt/homebrew/bin, /usr/local/bin, ~/.claude/local.
QStringList candidates(const QString& home);
// The first candidate the predicate accepts.
std::optional<QString> find(const QString& home, const std::function<bool(const QString&)>& isExecutable);

// "/usage" in print mode, without MCP servers, session files or hooks.
QStringList usageArguments();

// Blocking (never on the main thread): creates the working folder and runs the program there with
// every standard stream on the null device; a run still going after terminateAfterMs is terminated.
void runUsage(Processes& processes, const QString& executable, const QString& workingDirectory,
              int terminateAfterMs = 20000);

// The request text the user pastes into Claude Code to check or install the program and the login.
QString setupPrompt();

// "claude-usage" in the application support folder; nothing of ours is ever written there.
QString workingDirectory();

} // namespace ClaudeCLI
