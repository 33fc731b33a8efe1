#pragma once

#include <QString>
#include <QStringList>

// Text comparison as the product's users see it: two texts are equal when they are canonically
// equivalent in Unicode, and prefixes and suffixes are whole user-perceived characters.
namespace Text {

QString nfc(const QString& text);
bool equal(const QString& a, const QString& b);
// A form in which canonically equivalent texts are identical (the text itself when it is already
// in normal form C, which is cheap to tell for most texts): a key for hashing and comparing.
QString canonical(const QString& text);
// False when the text is certainly in normal form C already (a quick scan, no allocation).
bool mayNeedNormalizing(QStringView text);
// Whether `text` is canonically equivalent to `key`, a text already in canonical form.
bool equalsCanonical(QStringView text, const QString& key);

// The text split into user-perceived characters (extended grapheme clusters).
QStringList characters(const QString& text);
int characterCount(const QString& text);

// Prefix and suffix tests by whole characters under canonical equivalence.
bool hasPrefix(const QString& text, const QString& prefix);
bool hasSuffix(const QString& text, const QString& suffix);
QString dropFirstCharacters(const QString& text, int count);
QString dropLastCharacters(const QString& text, int count);

// Removes spaces (Unicode space separators) and tabs from both ends; line breaks stay.
QString trimmedSpaces(const QString& text);

// A text as it goes on screen: no view is wide enough for more than `displayLimit` UTF-16 units, so
// longer texts (a name of megabytes in a hand-edited document) are cut there, with "…", before any
// text shaping sees them. Never inside a surrogate pair.
inline constexpr qsizetype displayLimit = 1000;
QString forDisplay(const QString& text);

} // namespace Text
