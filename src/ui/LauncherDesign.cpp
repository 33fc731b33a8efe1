#include "ui/LauncherDesign.h"

#include "ui/Icons.h"

#include <QAbstractButton>
#include <QFontDatabase>
#include <QHelpEvent>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QStyleOption>
#include <QToolTip>
#include <QtMath>
#include <algorithm>

namespace {

class ElidingLabel final : public QLabel {
public:
    ElidingLabel(Qt::TextElideMode mode, QWidget* parent) : QLabel(parent), m_mode(mode)
    {
        setProperty("elides", true);
    }
    QSize minimumSizeHint() const override { return {0, QLabel::minimumSizeHint().height()}; }

protected:
    // Cut short, the label shows its whole text as its tooltip (unless it has one of its own).
    bool event(QEvent* event) override
    {
        if (event->type() == QEvent::ToolTip && toolTip().isEmpty()) {
            const auto* help = static_cast<QHelpEvent*>(event);
            if (fontMetrics().elidedText(text(), m_mode, width()) != text())
                QToolTip::showText(help->globalPos(), text(), this);
            else
                QToolTip::hideText();
            return true;
        }
        return QLabel::event(event);
    }
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setPen(palette().color(QPalette::WindowText));
        p.drawText(rect(), Qt::AlignLeft | Qt::AlignVCenter,
                   fontMetrics().elidedText(text(), m_mode, width()));
    }

private:
    Qt::TextElideMode m_mode;
};

// Calls `run(piece, isDigit)` for each ASCII digit of `text` on its own and for each stretch of
// other characters between them, left to right.
template <typename Run> void forEachTabularRun(const QString& text, Run run)
{
    const auto digit = [](QChar c) { return c >= u'0' && c <= u'9'; };
    qsizetype start = 0;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        if (i < text.size() && !digit(text[i]))
            continue;
        if (i > start)
            run(text.mid(start, i - start), false);
        if (i < text.size())
            run(QString(text[i]), true);
        start = i + 1;
    }
}

qreal digitCell(const QFontMetricsF& metrics)
{
    qreal widest = 0;
    for (char16_t d = u'0'; d <= u'9'; ++d)
        widest = std::max(widest, metrics.horizontalAdvance(QChar(d)));
    return widest;
}

// `text` as it fits `width` when set tabular: whole, or its start and "…", or nothing.
QString tabularElided(const QFont& font, const QString& text, qreal width)
{
    if (LauncherDesign::tabularWidth(font, text) <= width)
        return text;
    const QString ellipsis(QChar(0x2026));
    QString kept = text;
    while (!kept.isEmpty()) {
        kept.chop(kept.size() > 1 && kept.back().isLowSurrogate() ? 2 : 1);
        if (LauncherDesign::tabularWidth(font, kept + ellipsis) <= width)
            return kept + ellipsis;
    }
    return QString();
}

// A label drawn like QLabel draws plain text (frame, margin, indent and alignment), with its figures
// set tabular.
class TabularLabel final : public QLabel {
public:
    TabularLabel(const QString& text, QWidget* parent) : QLabel(text, parent) { setProperty("elides", true); }
    QSize sizeHint() const override { return tabularWidened(QLabel::sizeHint()); }
    QSize minimumSizeHint() const override { return tabularWidened(QLabel::minimumSizeHint()); }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        drawFrame(&p);
        QRect area = contentsRect().adjusted(margin(), margin(), -margin(), -margin());
        const Qt::Alignment align = alignment();
        int inset = indent();
        if (inset < 0 && frameWidth() > 0)
            inset = fontMetrics().horizontalAdvance(u'x') / 2 - margin();
        if (inset > 0) {
            area.adjust(align & Qt::AlignLeft ? inset : 0, align & Qt::AlignTop ? inset : 0,
                        align & Qt::AlignRight ? -inset : 0, align & Qt::AlignBottom ? -inset : 0);
        }
        QStyleOption option;
        option.initFrom(this);
        p.setPen(option.palette.color(foregroundRole()));
        LauncherDesign::drawTabular(p, area, static_cast<int>(align), font(), text());
    }

private:
    // A hint for the text as QLabel lays it out, made as much wider as tabular figures need.
    QSize tabularWidened(QSize hint) const
    {
        const int proportional = qCeil(QFontMetricsF(font()).horizontalAdvance(text()));
        hint.rwidth() += qCeil(LauncherDesign::tabularWidth(font(), text())) - proportional;
        return hint;
    }
};

QLabel* styled(QLabel* l, const QFont& font, const QColor& colour)
{
    l->setFont(font);
    QPalette palette = l->palette();
    palette.setColor(QPalette::WindowText, colour);
    l->setPalette(palette);
    return l;
}

class TextButton final : public QAbstractButton {
public:
    TextButton(const QString& label, LauncherDesign::ButtonFill fill, QWidget* parent)
        : QAbstractButton(parent), m_fill(fill)
    {
        setText(label);
        setFont(LauncherDesign::font(LauncherDesign::TextStyle::label));
        setCursor(Qt::PointingHandCursor);
        setAttribute(Qt::WA_Hover);
        setFixedSize(qCeil(QFontMetricsF(font()).horizontalAdvance(label)) + 2 * 12, 34);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        const QColor fill = m_fill == LauncherDesign::ButtonFill::card ? LauncherDesign::card
                            : underMouse()                             ? LauncherDesign::surface
                                                                       : QColor(Qt::transparent);
        LauncherDesign::paintSecondaryButton(p, rect(), isDown(), fill);
        p.setPen(LauncherDesign::ink);
        p.drawText(rect(), Qt::AlignCenter, text());
    }

private:
    LauncherDesign::ButtonFill m_fill;
};

} // namespace

namespace LauncherDesign {

QFont font(TextStyle style)
{
    // Views ask for their fonts on every paint; asking the font database is not cheap.
    static const auto styled = [](int size, QFont::Weight weight) {
        QFont font = QFontDatabase::hasFamily(fontFamily)
                         ? QFont(fontFamily)
                         : QFontDatabase::systemFont(QFontDatabase::GeneralFont);
        font.setPixelSize(size);
        font.setWeight(weight);
        return font;
    };
    static const QFont heading = styled(20, QFont::Bold);
    static const QFont title = styled(18, QFont::Bold);
    static const QFont label = styled(14, QFont::Medium);
    static const QFont caption = styled(13, QFont::Normal);
    static const QFont micro = styled(12, QFont::Medium);
    switch (style) {
    case TextStyle::heading:
        return heading;
    case TextStyle::title:
        return title;
    case TextStyle::label:
        return label;
    case TextStyle::caption:
        return caption;
    case TextStyle::micro:
        return micro;
    }
    return label;
}

QLabel* label(const QString& text, const QFont& font, const QColor& colour, QWidget* parent)
{
    return styled(new QLabel(text, parent), font, colour);
}

qreal tabularWidth(const QFont& font, const QString& text)
{
    const QFontMetricsF metrics(font);
    const qreal cell = digitCell(metrics);
    qreal width = 0;
    forEachTabularRun(text, [&](const QString& piece, bool digit) {
        width += digit ? cell : metrics.horizontalAdvance(piece);
    });
    return width;
}

void drawTabular(QPainter& painter, const QRectF& rect, int alignment, const QFont& font, const QString& text)
{
    const QString shown = tabularElided(font, text, rect.width());
    const qreal width = tabularWidth(font, shown);
    qreal x = rect.left();
    if (alignment & Qt::AlignRight)
        x = rect.right() - width;
    else if (alignment & Qt::AlignHCenter)
        x = rect.left() + (rect.width() - width) / 2;
    const QFontMetricsF metrics(font);
    const qreal cell = digitCell(metrics);
    const int vertical = alignment & Qt::AlignVertical_Mask;
    painter.save();
    painter.setFont(font);
    // Each piece in a box of the text's height, so that Qt places every baseline where it would
    // place the whole line's.
    forEachTabularRun(shown, [&](const QString& piece, bool digit) {
        const qreal advance = digit ? cell : metrics.horizontalAdvance(piece);
        painter.drawText(QRectF(x, rect.top(), advance, rect.height()),
                         vertical | (digit ? Qt::AlignHCenter : Qt::AlignLeft) | Qt::TextDontClip, piece);
        x += advance;
    });
    painter.restore();
}

QLabel* tabularLabel(const QString& text, const QFont& font, const QColor& colour, QWidget* parent)
{
    return styled(new TabularLabel(text, parent), font, colour);
}

QLabel* elidingLabel(Qt::TextElideMode mode, QWidget* parent)
{
    return new ElidingLabel(mode, parent);
}

QLabel* symbolLabel(const QString& symbol, const QColor& colour, int size, QWidget* parent)
{
    auto* l = new QLabel(parent);
    l->setFixedSize(size, size);
    l->setPixmap(Icons::symbol(symbol, colour, size, parent->devicePixelRatioF()));
    return l;
}

QString wrappingBetweenPhrases(const QString& text)
{
    const auto hiragana = [](QChar c) { return c.unicode() >= 0x3041 && c.unicode() <= 0x309F; };
    static const QString particles = QStringLiteral("をでにはがともへの");
    static const QString stops = QStringLiteral("、。 ");
    QString out;
    out.reserve(text.size() * 2);
    for (qsizetype i = 0; i < text.size(); ++i) {
        out += text[i];
        if (i + 1 == text.size())
            break;
        const QChar c = text[i], next = text[i + 1];
        const bool breaks = stops.contains(c) || next == u'(' || next == u'（' || next.isSpace() ||
                            (particles.contains(c) && !hiragana(next));
        if (!breaks && !c.isLowSurrogate() && !next.isLowSurrogate())
            out += QChar(0x2060);
    }
    return out;
}

void paintCard(QPainter& painter, const QRectF& outline, double shadowDrop)
{
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath path;
    path.addRoundedRect(outline, 12, 12);
    painter.fillPath(path.translated(0, shadowDrop), QColor(0, 0, 0, 15));
    painter.fillPath(path, LauncherDesign::card);
    painter.setPen(QPen(hair, 1));
    painter.drawPath(path);
}

QAbstractButton* textButton(const QString& label, ButtonFill fill, QWidget* parent)
{
    return new TextButton(label, fill, parent);
}

void paintSecondaryButton(QPainter& painter, const QRectF& rect, bool pressed, const QColor& fill)
{
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setOpacity(pressed ? 0.65 : 1.0);
    QPainterPath shape;
    shape.addRoundedRect(rect.adjusted(0.5, 0.5, -0.5, -0.5), 8, 8);
    painter.fillPath(shape, fill);
    painter.setPen(QPen(hair, 1));
    painter.drawPath(shape);
}

} // namespace LauncherDesign

ThemeColors ThemeColors::of(PanelTheme theme)
{
    const auto tinted = [](QColor wash, QColor fill, QColor band) {
        return ThemeColors{wash, wash, wash, fill, band};
    };
    switch (theme) {
    case PanelTheme::standard:
        return {std::nullopt, LauncherDesign::primary, LauncherDesign::primaryDeep,
                LauncherDesign::primaryTint, QColor(180, 232, 230)};
    case PanelTheme::mistBlue:
        return tinted({59, 130, 182}, {234, 243, 250}, {213, 232, 244});
    case PanelTheme::lavender:
        return tinted({123, 104, 181}, {241, 238, 250}, {226, 220, 244});
    case PanelTheme::sage:
        return tinted({84, 139, 104}, {237, 244, 239}, {220, 234, 223});
    case PanelTheme::sand:
        return tinted({183, 123, 54}, {247, 241, 231}, {237, 225, 207});
    case PanelTheme::rose:
        return tinted({173, 97, 114}, {248, 238, 240}, {239, 220, 225});
    }
    return of(PanelTheme::standard);
}
