#include "core/windows/FocusMatcher.h"

#include "core/text/Text.h"

#include <QHashFunctions>

size_t qHash(const FocusTarget& target, size_t seed)
{
    return target.isSlot() ? qHashMulti(seed, 0, target.slotNumber) : qHashMulti(seed, 1, target.windowID);
}

namespace FocusMatcher {

QSet<FocusTarget> targets(qint32 pid, const QString& title, const QList<Candidate>& candidates)
{
    const QString focused = title.trimmed();
    if (focused.isEmpty())
        return {};

    const QString key = Text::canonical(focused);
    QList<const Candidate*> exact;
    for (const Candidate& c : candidates) {
        if (c.pid == pid && Text::equalsCanonical(c.title.trimmed(), key))
            exact.append(&c);
    }

    QSet<FocusTarget> slots;
    for (const Candidate* c : exact) {
        if (c->target.isSlot())
            slots.insert(c->target);
    }
    if (!slots.isEmpty() || exact.isEmpty())
        return slots;

    // Only unassigned rows matched: a slot of the same process and project stands for them.
    QStringList projects;
    for (const Candidate* c : exact) {
        if (c->project)
            projects.append(Text::canonical(c->project->toString()));
    }
    for (const Candidate& c : candidates) {
        if (c.target.isSlot() && c.pid == pid && c.project &&
            std::any_of(projects.cbegin(), projects.cend(),
                        [&](const QString& p) { return Text::equalsCanonical(*c.project, p); }))
            slots.insert(c.target);
    }
    if (!slots.isEmpty())
        return slots;

    QSet<FocusTarget> rows;
    for (const Candidate* c : exact)
        rows.insert(c->target);
    return rows;
}

bool isDimmed(const std::optional<FocusTarget>& target, const std::optional<QSet<FocusTarget>>& highlighted,
              bool active)
{
    if (!active || !highlighted || highlighted->isEmpty())
        return false;
    return !target || !highlighted->contains(*target);
}

} // namespace FocusMatcher
