#pragma once

#include <QSet>
#include <QString>
#include <QUuid>
#include <optional>

// What the panel highlights or dims: a slot, or a row of the unassigned-window list.
struct FocusTarget {
    enum class Kind { slot, window };
    Kind kind = Kind::slot;
    int slotNumber = 0;
    QUuid windowID;

    static FocusTarget slot(int n) { return {Kind::slot, n, {}}; }
    static FocusTarget window(const QUuid& id) { return {Kind::window, 0, id}; }
    bool isSlot() const { return kind == Kind::slot; }
    bool operator==(const FocusTarget&) const = default;
};
size_t qHash(const FocusTarget& target, size_t seed = 0);

// Turns the window the user came from into the panel items that stand for it.
namespace FocusMatcher {

// A panel item with its window's owner and texts. The texts are views of the window records the
// candidates are built from, which must outlive the call.
struct Candidate {
    FocusTarget target;
    qint32 pid = 0;
    QStringView title;
    std::optional<QStringView> project;
};

QSet<FocusTarget> targets(qint32 pid, const QString& title, const QList<Candidate>& candidates);
bool isDimmed(const std::optional<FocusTarget>& target, const std::optional<QSet<FocusTarget>>& highlighted,
              bool active);

} // namespace FocusMatcher
