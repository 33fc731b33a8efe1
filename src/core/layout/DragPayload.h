#pragma once

#include <QString>
#include <QUuid>
#include <optional>
#include <variant>

// What is dragged between the unassigned-window list and the slot grid, as plain text:
// "window:<UUID>" or "slot:<n>".
struct DragPayload {
    std::variant<QUuid, int> value; // a window id or a slot number

    static DragPayload window(const QUuid& id) { return {id}; }
    static DragPayload slot(int number) { return {number}; }

    QString string() const;
    static std::optional<DragPayload> parse(const QString& text);

    bool operator==(const DragPayload&) const = default;
};
