#include "ui/PanelHeaderView.h"

#include "core/shell/UserGuide.h"
#include "core/state/AppState.h"
#include "ui/ClaudeUsageView.h"
#include "ui/Icons.h"
#include "ui/LauncherDesign.h"
#include "ui/NinePatch.h"
#include "ui/PanelHost.h"

#include <QAbstractButton>
#include <QApplication>
#include <QButtonGroup>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QTimeZone>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

QLabel* text(const QString& content, const QFont& font, const QColor& color, QWidget* parent)
{
    return LauncherDesign::label(content, font, color, parent);
}

// The small mark at the left of the header: three stacked cards in the brand colours.
class MarkView final : public QWidget {
public:
    explicit MarkView(QWidget* parent) : QWidget(parent) { setFixedSize(30, 30); }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        const QColor colours[] = {LauncherDesign::primaryTint, LauncherDesign::primary,
                                  LauncherDesign::primaryDeep};
        for (int i = 0; i < 3; ++i) {
            QPainterPath card;
            card.addRoundedRect(QRectF(2 + 4 * i, 2 + 4 * i, 18, 18), 5, 5);
            p.fillPath(card, colours[i]);
        }
    }
};

QToolButton* iconButton(const QString& symbol, const QString& tooltip, QWidget* parent)
{
    auto* button = new QToolButton(parent);
    button->setIcon(QIcon(Icons::symbol(symbol, LauncherDesign::body, 18, parent->devicePixelRatioF())));
    button->setIconSize(QSize(18, 18));
    button->setFixedSize(32, 32);
    button->setToolTip(tooltip);
    button->setAutoRaise(true);
    return button;
}

// One choice of the segmented picker: the chosen one raised on a white card in the track.
class Segment final : public QAbstractButton {
public:
    explicit Segment(int count, QWidget* parent) : QAbstractButton(parent)
    {
        setText(QString::number(count));
        setCheckable(true);
        setCursor(Qt::PointingHandCursor);
        setFont(LauncherDesign::font(LauncherDesign::TextStyle::label));
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        setFixedHeight(26);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        if (isChecked()) {
            p.setPen(QPen(LauncherDesign::hair, 1));
            p.setBrush(LauncherDesign::card);
            p.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 6, 6);
        }
        p.setPen(isChecked() ? LauncherDesign::primaryDeep : LauncherDesign::body);
        p.drawText(rect(), Qt::AlignCenter, text());
    }
};

// The segmented picker's track, holding its segments.
class SegmentTrack final : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(LauncherDesign::hair, 1));
        p.setBrush(LauncherDesign::surface);
        p.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 8, 8);
    }
};

QWidget* keyHint(const QString& key, const QString& description, QWidget* parent)
{
    auto* hint = new QWidget(parent);
    auto* row = new QHBoxLayout(hint);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(6);
    QLabel* chip = LauncherDesign::tabularLabel(key, LauncherDesign::font(LauncherDesign::TextStyle::micro),
                                                LauncherDesign::ink, hint);
    chip->setContentsMargins(7, 2, 7, 2);
    chip->setStyleSheet(QStringLiteral("background: %1; border: 1px solid %2; border-radius: 5px;")
                            .arg(LauncherDesign::surface.name(), LauncherDesign::hair.name()));
    chip->setFixedHeight(22); // its own height, not the header row's
    row->addWidget(chip, 0, Qt::AlignVCenter);
    row->addWidget(text(description, LauncherDesign::font(LauncherDesign::TextStyle::micro),
                        LauncherDesign::muted, hint));
    return hint;
}

} // namespace

PanelHeaderView::PanelHeaderView(AppState& state, PanelHost& host, const Bundle& bundle, Workspace& workspace,
                                 QWidget* parent)
    : QWidget(parent), m_state(state)
{
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(16, 12, 16, 12);
    row->setSpacing(12);
    row->addWidget(new MarkView(this));

    auto* titles = new QVBoxLayout;
    titles->setSpacing(0);
    titles->addWidget(text(QStringLiteral("WINDOW LAUNCHER"),
                           LauncherDesign::font(LauncherDesign::TextStyle::micro), LauncherDesign::muted,
                           this));
    titles->addWidget(text(QStringLiteral("Panedeck"),
                           LauncherDesign::font(LauncherDesign::TextStyle::heading), LauncherDesign::ink,
                           this));
    row->addLayout(titles);
    row->addStretch(1);

    m_usage = new ClaudeUsageView(this);
    row->addWidget(m_usage);
    m_usageSpacer = new QWidget(this);
    m_usageSpacer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    row->addWidget(m_usageSpacer, 1);

    row->addWidget(keyHint(QStringLiteral("1\u20139"), QStringLiteral("最大化"), this));
    row->addWidget(keyHint(QStringLiteral("0"), QStringLiteral("マルチ画面"), this));
    auto* divider = new QWidget(this);
    divider->setFixedSize(1, 28);
    divider->setStyleSheet(QStringLiteral("background: %1;").arg(LauncherDesign::hair.name()));
    row->addWidget(divider);

    auto* picker = new SegmentTrack(this);
    picker->setFixedSize(240, 32);
    picker->setToolTip(QStringLiteral("マルチ画面の分割数（0キーで実行）"));
    auto* segments = new QHBoxLayout(picker);
    segments->setContentsMargins(3, 3, 3, 3);
    segments->setSpacing(2);
    m_tiles = new QButtonGroup(this);
    m_tiles->setExclusive(true);
    for (const int count : tileChoices) {
        auto* segment = new Segment(count, picker);
        m_tiles->addButton(segment, count);
        segments->addWidget(segment);
    }
    connect(m_tiles, &QButtonGroup::idClicked, this, [this](int count) { m_state.setTileCount(count); });
    row->addWidget(picker, 0, Qt::AlignVCenter);

    m_guide = iconButton(QStringLiteral("questionmark.circle"), QStringLiteral("使い方"), this);
    connect(m_guide, &QToolButton::clicked, this, [&host, &bundle, &workspace] {
        UserGuide::open(bundle, workspace);
        host.hidePanel();
    });
    row->addWidget(m_guide);
    m_settings = iconButton(QStringLiteral("gearshape"), QStringLiteral("アプリ設定"), this);
    connect(m_settings, &QToolButton::clicked, this, [this] { m_state.setAppSettingsShown(true); });
    row->addWidget(m_settings);
    auto* quit = LauncherDesign::textButton(QStringLiteral("終了"), LauncherDesign::ButtonFill::ghost, this);
    connect(quit, &QAbstractButton::clicked, qApp, &QCoreApplication::quit);
    m_quit = quit;
    row->addWidget(quit, 0, Qt::AlignVCenter);

    update();
}

QAbstractButton* PanelHeaderView::tileButton(int count) const
{
    return m_tiles->button(count);
}

void PanelHeaderView::update()
{
    const auto display = ClaudeUsageDisplay::make(m_state.claudeUsage(), QDateTime::currentDateTimeUtc(),
                                                  QTimeZone::systemTimeZone());
    m_usage->setVisible(display.has_value());
    m_usageSpacer->setVisible(display.has_value());
    if (display)
        m_usage->setDisplay(*display);
    if (QAbstractButton* selected = m_tiles->button(m_state.lastTileCount()))
        selected->setChecked(true);
    QWidget::update();
}

void PanelHeaderView::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    NinePatch::draw(p, rect(), QMargins(15, 15, 15, 16), QStringLiteral("header-card"),
                    [](QPainter& shape, const QRectF& r) {
                        LauncherDesign::paintCard(shape, r.adjusted(1.5, 1.5, -1.5, -2.5), 1);
                    });
}
