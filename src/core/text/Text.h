#pragma once

#include <QString>
#include <QStringList>

// Text comparison as the product's users see it: two texts are equal when they are canonically
// equivalent in Unicode, and prefixes and suffixes are whole user-perceived characters.
namespace Text {

QString nfc(const QString& text);
bool equal(const QString& a, const QString& b);

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

} // namespace Text
