#pragma once

#include "FakeDesktop.h"
#include "FakePlatform.h"
#include "FakeProcesses.h"
#include "FakeScheduling.h"
#include "TestFiles.h"
#include "core/state/AppState.h"

#include <QTemporaryDir>

// An application state over fakes of every platform interface, with its files in a temporary
// folder. Tests describe windows on `ax`, paths that exist in `existing`, and drive time and
// background work through `scheduling`.
class AppStateFixture {
public:
    class Screens final : public ::Screens {
    public:
        QList<Screen> list{{QRectF(0, 0, 1920, 1080), QRectF(0, 0, 1920, 1050)}};
        QPointF pointer{100, 100};
        QList<QPointF> warps;
        QList<Screen> screens() override { return list; }
        std::optional<Screen> mainScreen() override
        {
            return list.isEmpty() ? std::nullopt : std::optional(list.first());
        }
        QPointF pointerLocation() override { return pointer; }
        void warpPointer(const QPointF& p) override { warps.append(p); }
    };
    class Effect final : public FocusEffect {
    public:
        QList<QPointF> played;
        void play(const QPointF& p) override { played.append(p); }
    };

    QTemporaryDir dir;
    FakeDesktop ax;
    FakeProcesses processes;
    NoAppleScript appleScript;
    FakeWorkspace workspace;
    FakeSleeper sleeper;
    Screens screens;
    Effect effect;
    FakeScheduling scheduling;
    QStringList existing;
    std::unique_ptr<LayoutStore> store;
    std::unique_ptr<DesktopServices> desktop;
    std::unique_ptr<AppState> state;

    AppState& make(const Layout& layout)
    {
        store = std::make_unique<LayoutStore>(dir.filePath(QStringLiteral("support/layout.json")));
        store->setLayout(layout);
        desktop = std::make_unique<DesktopServices>(
            DesktopServices{ax, processes, appleScript, workspace, sleeper});
        state = std::make_unique<AppState>(*store, *desktop, screens, effect, scheduling, environment());
        return *state;
    }

    // Every file the state reads lives in the temporary folder.
    AppStateEnvironment environment()
    {
        return {dir.filePath(QStringLiteral("storage.json")),
                dir.filePath(QStringLiteral("claude.json")),
                dir.path(),
                dir.filePath(QStringLiteral("support/claude-usage")),
                AgentStatusStore(dir.filePath(QStringLiteral("support"))),
                [this](const QString& p) { return existing.contains(p); },
                [this](const QString& p) { return p == dir.filePath(QStringLiteral(".local/bin/claude")); }};
    }

    // An editor window of the process `pid` whose title names `project`; its window id in `ax`.
    int editorWindow(qint32 pid, const QString& project, QRectF frame = QRectF(0, 0, 800, 600))
    {
        const int id =
            ax.addWindow({.title = QStringLiteral("f — ") + project + QStringLiteral(" — Visual Studio Code"),
                          .frame = frame});
        if (auto* app = ax.application(pid))
            app->windows.append(id);
        else
            ax.addApplication(WindowDiscovery::vscodeBundleID, pid, {id});
        return id;
    }

    // A Claude Code session in `cwd`, as its state file says.
    void agent(const QString& cwd, const QString& agentState, const QDateTime& updatedAt)
    {
        TestFiles::write(dir.filePath(QStringLiteral("support/agent-state/%1.state").arg(qHash(cwd))),
                         QStringLiteral("cwd=%1\nstate=%2\nupdatedAt=%3\n")
                             .arg(cwd, agentState, updatedAt.toUTC().toString(Qt::ISODate))
                             .toUtf8());
    }

    // A layout with one project per name in slots 1, 2, …, each on an existing /src/<name>.
    Layout projects(const QStringList& names)
    {
        Layout layout;
        for (const QString& name : names) {
            layout.slots.insert(QString::number(layout.slots.size() + 1),
                                entry(name, QStringLiteral("/src/") + name));
            existing << QStringLiteral("/src/") + name;
        }
        return layout;
    }

    static SlotEntry entry(const QString& name, const QString& path, std::optional<QString> kind = {},
                           std::optional<QString> url = {}, std::optional<QString> matchKey = {})
    {
        return {.name = name,
                .path = path,
                .url = std::move(url),
                .kind = std::move(kind),
                .matchKey = std::move(matchKey)};
    }
};
