#include "ui/ShortcutBarView.h"

#include "core/state/AppState.h"
#include "core/text/BoundedFile.h"
#include "core/text/Text.h"
#include "ui/FocusPulse.h"
#include "ui/Icons.h"
#include "ui/LauncherDesign.h"
#include "ui/PanelHost.h"
#include "ui/ShortcutBarLayout.h"

#include <QFile>
#include <QFileIconProvider>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QStandardPaths>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

namespace {

constexpr int symbolSize = 16;
constexpr int buttonHeight = 34;
constexpr int shadowSpace = 4; // below the card: radius 3, offset 1

// The icon a desktop entry names: a file, or a name in the icon theme.
QIcon entryIcon(const QString& entryPath)
{
    const auto entry = BoundedFile::read(entryPath, BoundedFile::settingsLimit);
    if (!entry)
        return {};
    for (const QByteArray& bytes : entry->split('\n')) {
        const QString line = QString::fromUtf8(bytes).trimmed();
        if (line.startsWith(QStringLiteral("Icon="))) {
            const QString name = line.mid(5);
            return name.startsWith(u'/') ? QIcon(name) : QIcon::fromTheme(name);
        }
    }
    return {};
}

// The application's own icon. Desktop entries name theirs; a program gets the icon of the desktop
// entry of its name, else the theme's icon of its name, as menus show it; anything else the
// desktop's icon for the file.
QPixmap appIcon(const QString& path)
{
    QIcon icon;
    const QFileInfo file(path);
    if (path.endsWith(QStringLiteral(".desktop"))) {
        icon = entryIcon(path);
    } else if (file.isFile() && file.isExecutable()) {
        const QString name = file.fileName();
        const QString entry =
            QStandardPaths::locate(QStandardPaths::ApplicationsLocation, name + QStringLiteral(".desktop"));
        if (!entry.isEmpty())
            icon = entryIcon(entry);
        if (icon.isNull())
            icon = QIcon::fromTheme(name);
    }
    if (icon.isNull())
        icon = QFileIconProvider().icon(file);
    if (icon.isNull())
        return Icons::symbol(QStringLiteral("square.dashed"), LauncherDesign::muted, symbolSize);
    return icon.pixmap(symbolSize, symbolSize);
}

} // namespace

// ----------------------------------------------------------------------------- ShortcutButton

ShortcutButton::ShortcutButton(const ShortcutEntry& entry, const QPixmap& icon, bool showsLabel,
                               QWidget* parent, double maxWidth)
    : QAbstractButton(parent), m_entry(entry), m_icon(icon), m_showsLabel(showsLabel)
{
    m_entry.name = Text::forDisplay(entry.name);
    setText(showsLabel ? m_entry.name : QString());
    setAccessibleName(m_entry.name);
    // An icon alone (application icons are often one and the same) is told apart by its name.
    const QString target = Text::forDisplay(entry.target);
    setToolTip(showsLabel ? target : m_entry.name + u'\n' + target);
    setFont(LauncherDesign::font(LauncherDesign::TextStyle::label));
    setCursor(Qt::PointingHandCursor);
    const QSize size = sizeHint();
    setFixedSize(std::min(size.width(), int(maxWidth)), size.height());
}

QSize ShortcutButton::sizeHint() const
{
    double content = symbolSize;
    if (m_showsLabel) {
        const double label = std::ceil(QFontMetricsF(font()).horizontalAdvance(m_entry.name));
        content = std::min(content + ShortcutBarLayout::iconLabelSpacing + label, maxContentWidth);
    }
    return {static_cast<int>(std::ceil(content + 2 * ShortcutBarLayout::buttonHorizontalPadding)),
            buttonHeight};
}

void ShortcutButton::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    LauncherDesign::paintSecondaryButton(p, rect(), isDown(), LauncherDesign::surface);

    const int left = static_cast<int>(ShortcutBarLayout::buttonHorizontalPadding);
    p.drawPixmap(left, (height() - symbolSize) / 2, m_icon);
    if (m_showsLabel) {
        const int x = left + symbolSize + static_cast<int>(ShortcutBarLayout::iconLabelSpacing);
        const QRect label(x, 0, width() - x - left, height());
        p.setPen(LauncherDesign::ink);
        p.drawText(label, Qt::AlignLeft | Qt::AlignVCenter,
                   fontMetrics().elidedText(m_entry.name, Qt::ElideRight, label.width()));
    }
}

// ----------------------------------------------------------------------------- ShortcutBarView

ShortcutBarView::ShortcutBarView(AppState& state, PanelHost& host, double containerWidth, double rowSpacing,
                                 double cardPadding, QWidget* parent)
    : QWidget(parent), m_state(state), m_host(host), m_containerWidth(containerWidth),
      m_rowSpacing(rowSpacing), m_cardPadding(cardPadding), m_column(new QVBoxLayout(this))
{
    const int padding = qRound(cardPadding);
    m_column->setContentsMargins(padding, padding, padding, padding + shadowSpace);
    m_column->setSpacing(10);
    setFixedWidth(qRound(containerWidth));

    auto* header = new QHBoxLayout;
    header->setSpacing(6);
    auto* bolt = new QLabel(this);
    bolt->setPixmap(
        Icons::symbol(QStringLiteral("bolt.fill"), LauncherDesign::primary, symbolSize, devicePixelRatioF()));
    header->addWidget(bolt);
    auto* title = new QLabel(QStringLiteral("ショートカット"), this);
    title->setFont(LauncherDesign::font(LauncherDesign::TextStyle::label));
    QPalette palette = title->palette();
    palette.setColor(QPalette::WindowText, LauncherDesign::ink);
    title->setPalette(palette);
    header->addWidget(title);
    header->addStretch();
    m_column->addLayout(header);

    // Never the focus target itself, the card dims with everything else while the panel shows where
    // the user came from.
    FocusFollower::attach(this, state, std::nullopt);
    connect(&state, &AppState::changed, this, [this](AppState::Field field) {
        if (field == AppState::Field::shortcuts)
            rebuild();
    });
    rebuild();
}

double ShortcutBarView::labelWidth(const QString& name)
{
    return QFontMetricsF(LauncherDesign::font(LauncherDesign::TextStyle::label))
        .horizontalAdvance(Text::forDisplay(name));
}

void ShortcutBarView::setLabelMeasure(std::function<double(const QString&)> measure)
{
    m_measure = measure ? std::move(measure) : &ShortcutBarView::labelWidth;
    rebuild();
}

bool ShortcutBarView::showsAppLabels() const
{
    QList<double> folders, apps;
    for (const ShortcutEntry& e : m_state.folderShortcuts())
        folders.append(m_measure(e.name));
    for (const ShortcutEntry& e : m_state.appShortcuts())
        apps.append(m_measure(e.name));
    return ShortcutBarLayout::showsAppLabels(folders, apps, m_rowSpacing,
                                             m_containerWidth - 2 * m_cardPadding);
}

QList<ShortcutButton*> ShortcutBarView::buttons() const
{
    return m_body ? m_body->findChildren<ShortcutButton*>() : QList<ShortcutButton*>();
}

QHBoxLayout* ShortcutBarView::row(const QList<RowPart>& parts)
{
    QList<double> labeled;
    double others = 0;
    qsizetype count = 0;
    for (const RowPart& part : parts) {
        for (const ShortcutEntry& entry : part.entries) {
            if (part.labeled)
                labeled.append(ShortcutBarLayout::drawnWidth(m_measure(entry.name)));
            else
                others += ShortcutBarLayout::buttonWidth(std::nullopt);
            ++count;
        }
    }
    const auto cap = ShortcutBarLayout::labeledCap(labeled, others, count, m_rowSpacing,
                                                   m_containerWidth - 2 * m_cardPadding);
    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(qRound(m_rowSpacing));
    for (const RowPart& part : parts) {
        for (const ShortcutEntry& entry : part.entries) {
            const QPixmap icon = part.symbol.isEmpty()
                                     ? appIcon(entry.target)
                                     : Icons::symbol(part.symbol, LauncherDesign::primaryDeep, symbolSize,
                                                     devicePixelRatioF());
            const bool labeledHere = part.labeled && cap.has_value();
            const bool capped =
                labeledHere && !labeled.isEmpty() && *cap < *std::max_element(labeled.begin(), labeled.end());
            auto* button =
                new ShortcutButton(entry, icon, labeledHere, m_body, capped ? std::floor(*cap) : 1e9);
            connect(button, &QAbstractButton::clicked, this, [this, entry, action = part.action] {
                if (action(entry))
                    m_host.hidePanel();
            });
            buttons->addWidget(button, 0, Qt::AlignVCenter);
        }
    }
    buttons->addStretch();
    return buttons;
}

void ShortcutBarView::rebuild()
{
    delete m_body;
    m_body = new QWidget(this);
    auto* rows = new QVBoxLayout(m_body);
    rows->setContentsMargins(0, 0, 0, 0);
    rows->setSpacing(qRound(m_rowSpacing));

    const QList<ShortcutEntry>& folders = m_state.folderShortcuts();
    const QList<ShortcutEntry>& apps = m_state.appShortcuts();
    const auto openFolder = [this](const ShortcutEntry& e) { return m_state.openFolderShortcut(e); };
    const auto openApp = [this](const ShortcutEntry& e) { return m_state.openAppShortcut(e); };
    const auto openURL = [this](const ShortcutEntry& e) { return m_state.openURLShortcut(e); };
    if (!folders.isEmpty() || !apps.isEmpty())
        rows->addLayout(row({{folders, QStringLiteral("folder.fill"), true, openFolder},
                             {apps, QString(), showsAppLabels(), openApp}}));
    if (!m_state.urlShortcuts().isEmpty())
        rows->addLayout(row({{m_state.urlShortcuts(), QStringLiteral("link"), true, openURL}}));
    m_column->addWidget(m_body);
    adjustSize();
}

void ShortcutBarView::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF card = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5 - shadowSpace);
    // A soft black shadow below: radius 3, one point down, opacity 0.06 spread over its steps.
    for (int i = 3; i >= 1; --i) {
        QPainterPath shadow;
        shadow.addRoundedRect(card.translated(0, 1).adjusted(-i / 2.0, -i / 2.0, i / 2.0, i), 12 + i / 2.0,
                              12 + i / 2.0);
        p.fillPath(shadow, QColor(0, 0, 0, 5));
    }
    QPainterPath shape;
    shape.addRoundedRect(card, 12, 12);
    p.fillPath(shape, LauncherDesign::card);
    p.setPen(QPen(LauncherDesign::hair, 1));
    p.drawPath(shape);
}
