#include "ui/LauncherDesign.h"

#include "ui/Icons.h"

#include <QAbstractButton>
#include <QFontDatabase>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QtMath>

namespace {

class ElidingLabel final : public QLabel {
public:
    ElidingLabel(Qt::TextElideMode mode, QWidget* parent) : QLabel(parent), m_mode(mode) {}
    QSize minimumSizeHint() const override { return {0, QLabel::minimumSizeHint().height()}; }

protected:
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
    auto* l = new QLabel(text, parent);
    l->setFont(font);
    QPalette palette = l->palette();
    palette.setColor(QPalette::WindowText, colour);
    l->setPalette(palette);
    return l;
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
