#include "core/windows/SlotMatcher.h"

#include "core/layout/URLUtil.h"
#include "core/text/Paths.h"
#include "core/text/Text.h"

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
        const qsizetype size = wanted.size();
        const QStringView* keys = m_keys.constData();
        const bool* present = m_present.constData();
        const bool* taken = claimed.constData();
        // Keys of one kind often share their start ("project-12", "project-13"): the last character
        // rules most of them out before a whole comparison.
        const QChar last = size > 0 ? wanted.back() : QChar();
        for (qsizetype i = 0, count = m_keys.size(); i < count; ++i) {
            if (keys[i].size() == size && present[i] && !taken[i] && (size == 0 || keys[i].back() == last) &&
                keys[i] == wanted)
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
                // Mostly the address holds its domain as it is: no copy is made then.
                if (const auto plain = w.folderPath ? URLUtil::plainDomain(*w.folderPath) : std::nullopt) {
                    m_present[i] = true;
                    m_keys[i] = *plain;
                    continue;
                }
                if (w.folderPath && !w.folderPath->isEmpty()) {
                    if (const auto domain = URLUtil::domain(w.folderPath))
                        text = &m_owned.emplace_back(Text::canonical(*domain));
                }
                break;
            }
            if (!text)
                continue;
            m_present[i] = true;
            m_keys[i] = m_kind != KeyKind::domain && Text::mayNeedNormalizing(*text)
                            ? QStringView(m_owned.emplace_back(Text::nfc(*text)))
                            : QStringView(*text); // domains are made canonical above
        }
    }

    KeyKind m_kind;
    bool m_built = false;
    QList<QStringView> m_keys;
    QList<bool> m_present;
    // Canonical forms that differ from the window's own text, and domains. The keys point into
    // their characters, which stay where they are when the list grows.
    QList<QString> m_owned;
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

    // The rest stay where they are: only the windows after a claimed one move up.
    AppWindow* const all = windows.data();
    qsizetype kept = 0;
    for (qsizetype i = 0; i < windows.size(); ++i) {
        if (claimed[i])
            continue;
        if (kept != i)
            all[kept] = std::move(all[i]);
        ++kept;
    }
    windows.remove(kept, windows.size() - kept);
    result.unassigned = std::move(windows);
    return result;
}

} // namespace SlotMatcher
