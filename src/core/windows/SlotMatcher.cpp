#include "core/windows/SlotMatcher.h"

#include "core/layout/URLUtil.h"
#include "core/text/Paths.h"
#include "core/text/Text.h"

#include <list>

namespace SlotMatcher {
namespace {

// What identifies a window of one kind to a slot.
enum class KeyKind { project, folder, title, domain };

// The identifying text of every window of one kind, worked out on first use and once per run;
// slots then compare against it in window order. Texts already in canonical form are not copied.
class Keys {
public:
    explicit Keys(KeyKind kind) : m_kind(kind) {}

    // The first window whose text is canonically equal to `key` and that no slot has claimed yet.
    std::optional<qsizetype> first(const QString& key, const QList<AppWindow>& windows,
                                   const QList<bool>& claimed)
    {
        if (!m_built)
            build(windows);
        const QString wanted = Text::canonical(key);
        for (qsizetype i = 0; i < m_keys.size(); ++i) {
            if (m_present[i] && m_keys[i].size() == wanted.size() && !claimed[i] && m_keys[i] == wanted)
                return i;
        }
        return std::nullopt;
    }

private:
    void build(const QList<AppWindow>& windows)
    {
        m_built = true;
        m_keys.resize(windows.size());
        m_present.resize(windows.size(), false);
        const WindowKind kind = m_kind == KeyKind::project  ? WindowKind::vscode
                                : m_kind == KeyKind::domain ? WindowKind::safari
                                                            : WindowKind::terminal;
        for (qsizetype i = 0; i < windows.size(); ++i) {
            const AppWindow& w = windows[i];
            if (w.kind != kind)
                continue;
            const QString* text = nullptr;
            switch (m_kind) {
            case KeyKind::project:
                text = w.projectName ? &*w.projectName : nullptr;
                break;
            case KeyKind::folder:
                text = w.folderPath ? &*w.folderPath : nullptr;
                break;
            case KeyKind::title:
                text = &w.title;
                break;
            case KeyKind::domain:
                if (w.folderPath && !w.folderPath->isEmpty()) {
                    if (const auto domain = URLUtil::domain(w.folderPath))
                        text = &m_owned.emplace_back(Text::canonical(*domain));
                }
                break;
            }
            if (!text)
                continue;
            m_present[i] = true;
            m_keys[i] = Text::mayNeedNormalizing(*text) ? QStringView(m_owned.emplace_back(Text::nfc(*text)))
                                                        : QStringView(*text);
        }
    }

    KeyKind m_kind;
    bool m_built = false;
    QList<QStringView> m_keys;
    QList<bool> m_present;
    std::list<QString> m_owned; // canonical forms that differ from the window's own text, and domains
};

} // namespace

Result match(const QMap<QString, SlotEntry>& slots, QList<AppWindow> windows,
             const std::function<bool(const QString&)>& fileExists)
{
    windows.detach(); // moving records out below must not touch a list someone else still shares
    Keys byProject(KeyKind::project);
    Keys byFolder(KeyKind::folder);
    Keys byTitle(KeyKind::title);
    Keys byDomain(KeyKind::domain);

    Result result;
    QList<bool> claimed(windows.size(), false);
    for (int slot = Layout::firstSlot; slot <= Layout::lastSlot; ++slot) {
        const auto it = slots.constFind(Layout::slotKey(slot));
        if (it == slots.constEnd())
            continue;
        const SlotEntry& entry = *it;
        const QString path = entry.path.trimmed();
        const QString fallbackKey = entry.matchKey.value_or(entry.name);

        std::optional<qsizetype> bound;
        switch (entry.windowKind()) {
        case WindowKind::vscode:
            bound =
                byProject.first(path.isEmpty() ? fallbackKey : Paths::lastComponent(path), windows, claimed);
            break;
        case WindowKind::terminal:
            bound = path.isEmpty() ? byTitle.first(fallbackKey, windows, claimed)
                                   : byFolder.first(path, windows, claimed);
            break;
        case WindowKind::safari:
            if (const auto domain = URLUtil::domain(entry.url))
                bound = byDomain.first(*domain, windows, claimed);
            break;
        }

        SlotStatus status{slot, entry, std::nullopt, false};
        if (bound) {
            claimed[*bound] = true;
            status.window = std::move(windows[*bound]);
        }
        status.folderMissing =
            entry.windowKind() != WindowKind::safari && !path.isEmpty() && !fileExists(path);
        result.statuses.append(std::move(status));
    }

    result.unassigned.reserve(windows.size());
    for (qsizetype i = 0; i < windows.size(); ++i) {
        if (!claimed[i])
            result.unassigned.append(std::move(windows[i]));
    }
    return result;
}

} // namespace SlotMatcher
