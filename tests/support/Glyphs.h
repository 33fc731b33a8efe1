#pragma once

#include <QFont>
#include <QFontMetrics>
#include <QList>
#include <QString>

// The characters of `text` (those from `from` up) that `font` has no glyph for: empty when every one
// renders rather than as an empty box.
inline QString missingGlyphs(const QFont& font, const QString& text, char32_t from = 0)
{
    const QFontMetrics metrics(font);
    QString missing;
    for (const char32_t c : text.toUcs4()) {
        if (c >= from && !metrics.inFontUcs4(c))
            missing += QString::fromUcs4(&c, 1);
    }
    return missing;
}
