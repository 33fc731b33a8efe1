#include "core/layout/DragPayload.h"

#include "core/layout/Layout.h"

#include <QRegularExpression>

QString DragPayload::string() const
{
    if (const QUuid* id = std::get_if<QUuid>(&value))
        return QStringLiteral("window:") + id->toString(QUuid::WithoutBraces).toUpper();
    return QStringLiteral("slot:") + QString::number(std::get<int>(value));
}

std::optional<DragPayload> DragPayload::parse(const QString& text)
{
    static const QRegularExpression uuidShape(
        QStringLiteral("\\A[0-9A-Fa-f]{8}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{12}\\z"));
    static const QRegularExpression decimal(QStringLiteral("\\A[+-]?[0-9]+\\z"));

    const QString windowPrefix = QStringLiteral("window:");
    if (text.startsWith(windowPrefix)) {
        const QString rest = text.mid(windowPrefix.size());
        if (uuidShape.match(rest).hasMatch())
            return window(QUuid::fromString(rest));
    }
    const QString slotPrefix = QStringLiteral("slot:");
    if (text.startsWith(slotPrefix)) {
        const QString rest = text.mid(slotPrefix.size());
        if (!decimal.match(rest).hasMatch())
            return std::nullopt;
        bool ok = false;
        const qlonglong number = rest.toLongLong(&ok);
        if (ok && number >= Layout::firstSlot && number <= Layout::lastSlot)
            return slot(int(number));
    }
    return std::nullopt;
}
