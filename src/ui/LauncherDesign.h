#pragma once

#include "core/layout/PanelTheme.h"

#include <QColor>
#include <QFont>
#include <optional>

// The panel's colours, type scale and per-theme colours.
namespace LauncherDesign {

inline const QColor primary{10, 186, 181};
inline const QColor primaryDeep{7, 142, 137};
inline const QColor primaryTint{228, 245, 244};
inline const QColor alert{196, 97, 79};
inline const QColor ink{28, 27, 24};
inline const QColor body{87, 82, 75};
inline const QColor muted{138, 133, 124};
inline const QColor faint{168, 162, 152};
inline const QColor hair{231, 227, 219};
inline const QColor surface{251, 250, 247};
inline const QColor canvas{241, 239, 234};
inline const QColor card{255, 255, 255};

inline const QString fontFamily = QStringLiteral("M PLUS 1p");

enum class TextStyle { heading, title, label, caption, micro };
// "M PLUS 1p" at the style's size and weight, or the system font when the family is not there.
QFont font(TextStyle style);

} // namespace LauncherDesign

class QAbstractButton;
class QLabel;
class QPainter;
class QRectF;
class QWidget;

namespace LauncherDesign {
// A label in a text style and colour of the design.
QLabel* label(const QString& text, const QFont& font, const QColor& colour, QWidget* parent);
// Figures that must not shift as they change (percentages, key numbers, counts) are set tabular:
// every ASCII digit takes the advance of the font's widest digit and sits centred in it; other
// characters keep their own advances. Not every font the panel may get has equal digits (the system
// font it falls back to, another version of the family), and Qt 6.4 cannot ask a font for its
// tabular figures, so the layout sees to it.
qreal tabularWidth(const QFont& font, const QString& text);
// Draws `text` laid out so in `rect` with the painter's pen: left, right or centred as `alignment`
// says, top, bottom or centred vertically; cut short with "…" at the end when it does not fit.
void drawTabular(QPainter& painter, const QRectF& rect, int alignment, const QFont& font,
                 const QString& text);
// A label of the design that draws its text with tabular figures and asks for the room they take.
QLabel* tabularLabel(const QString& text, const QFont& font, const QColor& colour, QWidget* parent);
// A label that keeps its whole text (for `text()`) and paints it cut short with an ellipsis, in the
// middle or at the end, when it does not fit; it can shrink to nothing.
QLabel* elidingLabel(Qt::TextElideMode mode, QWidget* parent);
// A symbol of the design as a fixed-size label.
QLabel* symbolLabel(const QString& symbol, const QColor& colour, int size, QWidget* parent);
// The secondary button's body: a rounded card with a hairline, drawn fainter while pressed.
// Japanese prose that wraps between phrases, not inside words: word joiners (U+2060) everywhere
// except after 、 。 and after a particle (を で に は が と も の へ) that ends a run of hiragana
// before another script, and before an opening parenthesis. Latin text keeps its spaces.
QString wrappingBetweenPhrases(const QString& text);
// A card of the panel: white with a hairline edge and corners of 12, its shadow `shadowDrop`
// points below.
void paintCard(QPainter& painter, const QRectF& outline, double shadowDrop);
// A button with a text label in the label style: an outlined rounded rectangle, filled white
// (`card`) or only while the pointer is over it (`ghost`), faded while pressed.
enum class ButtonFill { card, ghost };
QAbstractButton* textButton(const QString& label, ButtonFill fill, QWidget* parent);
void paintSecondaryButton(QPainter& painter, const QRectF& rect, bool pressed, const QColor& fill);
} // namespace LauncherDesign

// The colours a theme gives the panel and the slots.
struct ThemeColors {
    std::optional<QColor> tint; // none for the standard theme
    QColor accent;
    QColor foregroundAccent;
    QColor background;
    QColor actionStrip;

    static ThemeColors of(PanelTheme theme);
};
