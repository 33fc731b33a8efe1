#include "core/text/Text.h"

#include <QTextBoundaryFinder>
#include <algorithm>

namespace Text {
namespace {

bool isSpaceOrTab(QChar c)
{
    return c == u'\t' || c.category() == QChar::Separator_Space;
}

// Offsets (in UTF-16 units) of every character boundary, the start and the end included.
QList<qsizetype> boundaries(const QString& text)
{
    QList<qsizetype> result{0};
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    while (finder.toNextBoundary() != -1)
        result.append(finder.position());
    if (result.last() != text.size())
        result.append(text.size());
    return result;
}

} // namespace

QString nfc(const QString& text)
{
    return text.normalized(QString::NormalizationForm_C);
}

// Whether a text may be outside normal form C. Texts that are in it are canonically equivalent only
// when identical, which spares normalising the common case. Below U+0300 nothing decomposes or
// combines; the punctuation and symbol blocks U+2010…U+2BFF are stable too, except the combining
// marks for symbols and six singletons (Ohm, Kelvin, Angstrom signs, angle brackets, forking).
bool mayNeedNormalizing(QStringView text)
{
    // Most texts are plain: one cheap pass that the compiler can vectorise settles them.
    char16_t any = 0;
    for (const QChar c : text)
        any |= c.unicode();
    if (any < 0x0300)
        return false;
    return std::any_of(text.cbegin(), text.cend(), [](QChar ch) {
        const char16_t c = ch.unicode();
        if (c < 0x0300)
            return false;
        if (c >= 0x2010 && c <= 0x2BFF)
            return (c >= 0x20D0 && c <= 0x20FF) || c == 0x2126 || c == 0x212A || c == 0x212B || c == 0x2329 ||
                   c == 0x232A || c == 0x2ADC;
        return true;
    });
}

QString canonical(const QString& text)
{
    return mayNeedNormalizing(text) ? nfc(text) : text;
}

bool equalsCanonical(QStringView text, const QString& key)
{
    // Where the two first differ, a character below U+0300 in both, not followed by anything that
    // could combine with it, settles it: normalising cannot change that position.
    const qsizetype common = std::min(text.size(), key.size());
    const QChar* a = text.data();
    const QChar* b = key.constData();
    qsizetype i = 0;
    while (i < common && a[i] == b[i])
        ++i;
    if (i == common && text.size() == key.size())
        return true;
    if (i < common && text[i].unicode() < 0x0300 && key[i].unicode() < 0x0300 &&
        (i + 1 == text.size() || text[i + 1].unicode() < 0x0300))
        return false;
    return mayNeedNormalizing(text) && nfc(text.toString()) == key;
}

bool equal(const QString& a, const QString& b)
{
    if (a == b)
        return true;
    if (!mayNeedNormalizing(a) && !mayNeedNormalizing(b))
        return false;
    return nfc(a) == nfc(b);
}

QStringList characters(const QString& text)
{
    QStringList result;
    const auto cuts = boundaries(text);
    for (qsizetype i = 1; i < cuts.size(); ++i)
        result.append(text.mid(cuts[i - 1], cuts[i] - cuts[i - 1]));
    return result;
}

int characterCount(const QString& text)
{
    return int(boundaries(text).size() - 1);
}

bool hasPrefix(const QString& text, const QString& prefix)
{
    const QString t = nfc(text);
    const QString p = nfc(prefix);
    if (!t.startsWith(p))
        return false;
    // The prefix must end on a character boundary of the text: "e" is no prefix of "é" spelled
    // with a combining accent.
    return boundaries(t).contains(p.size());
}

bool hasSuffix(const QString& text, const QString& suffix)
{
    const QString t = nfc(text);
    const QString s = nfc(suffix);
    if (!t.endsWith(s))
        return false;
    return boundaries(t).contains(t.size() - s.size());
}

QString dropFirstCharacters(const QString& text, int count)
{
    const auto cuts = boundaries(text);
    const qsizetype index = std::min<qsizetype>(std::max(count, 0), cuts.size() - 1);
    return text.mid(cuts[index]);
}

QString dropLastCharacters(const QString& text, int count)
{
    const auto cuts = boundaries(text);
    const qsizetype index = std::max<qsizetype>(cuts.size() - 1 - std::max(count, 0), 0);
    return text.left(cuts[index]);
}

QString trimmedSpaces(const QString& text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isSpaceOrTab(text[begin]))
        ++begin;
    while (end > begin && isSpaceOrTab(text[end - 1]))
        --end;
    return text.mid(begin, end - begin);
}

QString forDisplay(const QString& text)
{
    if (text.size() <= displayLimit)
        return text;
    qsizetype end = displayLimit - 1;
    if (text[end - 1].isHighSurrogate())
        --end;
    return text.left(end) + QChar(0x2026);
}

} // namespace Text
