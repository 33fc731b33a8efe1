#include "AppStateFixture.h"
#include "Glyphs.h"
#include "Picture.h"
#include "ui/FocusPulse.h"
#include "ui/Fonts.h"
#include "ui/Icons.h"
#include "ui/LauncherDesign.h"
#include "ui/PanelHost.h"
#include "ui/ShortcutBarLayout.h"
#include "ui/ShortcutBarView.h"
#include "ui/WindowFocusEffect.h"

#include <QApplication>
#include <QFontDatabase>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QRawFont>
#include <QScreen>
#include <QSequentialAnimationGroup>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QVariantAnimation>
#include <QtEndian>

namespace {

struct Host final : PanelHost {
    int hidden = 0;
    void hidePanel() override { ++hidden; }
};

int visibleOverlays()
{
    int count = 0;
    for (const QWidget* w : QApplication::topLevelWidgets())
        count += w->isVisible() && w->windowFlags().testFlag(Qt::WindowTransparentForInput) ? 1 : 0;
    return count;
}

// The embedded regular face (the test needs the fonts embedded) with its "1" narrowed to 300 units,
// renamed "M PLUS 1x": a font whose digits differ in width.
QFont narrowOneFont()
{
    QFile file(u":/fonts/MPLUS1p_400Regular.ttf"_qs);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QByteArray data = file.readAll();
    const quint32 one = QRawFont(data, 13).glyphIndexesForString(u"1"_qs).value(0);
    for (int table = 0; table < qFromBigEndian<quint16>(data.constData() + 4); ++table) {
        const char* entry = data.constData() + 12 + 16 * table;
        if (QByteArray(entry, 4) == "hmtx")
            qToBigEndian<quint16>(300, data.data() + qFromBigEndian<quint32>(entry + 8) + 4 * one);
    }
    const auto utf16 = [](const char* text) {
        QByteArray bytes;
        for (const char* c = text; *c; ++c)
            bytes.append('\0').append(*c);
        return bytes;
    };
    data.replace(utf16("M PLUS 1p"), utf16("M PLUS 1x")).replace("M PLUS 1p", "M PLUS 1x");
    QFontDatabase::addApplicationFontFromData(data);
    QFont font(u"M PLUS 1x"_qs);
    font.setPixelSize(13);
    return font;
}

} // namespace

// The focus cues (the window overlay, the panel's pulse and dimming), the shortcut bar, tabular
// figures, theme names and the bundled symbols, drawn offscreen; animations are stepped, never waited for.
class EffectsTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { Fonts::registerBundled(); }
    void cleanup()
    {
        FocusMotion::setReduced(nullptr);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    // The window cue: placed around the point, click-through, converging and fading, replaced when
    // played again; without a compositor only its rings.
    void windowCue()
    {
        // y counts up from the primary screen's bottom; the overlay is 880 square around the point,
        // also where it falls off the screen's edges.
        QCOMPARE(WindowFocusEffect::overlayGeometry({100, 200}, QRect(0, 0, 1920, 1080)), QRect(-340, 440, 880, 880));
        // A primary display away from the desktop's origin (below and right of another one).
        QCOMPARE(WindowFocusEffect::overlayGeometry({100, 200}, QRect(1280, 720, 1920, 1080)),
                 QRect(1280 + 100 - 440, 1800 - 200 - 440, 880, 880));

        WindowFocusEffect effect;
        effect.play({300, 100});
        QWidget* overlay = effect.window();
        QVERIFY(overlay && overlay->isVisible());
        const QRect primary = QGuiApplication::primaryScreen()->geometry();
        QCOMPARE(overlay->geometry(), QRect(300 - 440, primary.bottom() + 1 - 100 - 440, 880, 880));
        for (const Qt::WindowType flag : {Qt::FramelessWindowHint, Qt::WindowStaysOnTopHint, Qt::Tool,
                                          Qt::WindowTransparentForInput, Qt::X11BypassWindowManagerHint})
            QVERIFY(overlay->windowFlags().testFlag(flag));
        QVERIFY(overlay->testAttribute(Qt::WA_TranslucentBackground) &&
                overlay->testAttribute(Qt::WA_ShowWithoutActivating) && !overlay->isActiveWindow() &&
                overlay->mask().isEmpty());

        using Frame = WindowFocusEffect::Frame;
        QCOMPARE(WindowFocusEffect::frameAt(0, false), (Frame{820, 0.6, 640, 0}));
        QCOMPARE(WindowFocusEffect::frameAt(60, false).echoDiameter, 820.0); // waits, showing its start
        // The curve starts fast: past half of the way at half of the 0.42 s.
        QVERIFY(WindowFocusEffect::frameAt(210, false).mainDiameter < (640 + 56) / 2.0);
        QVERIFY(WindowFocusEffect::frameAt(380, false).dotScale == 0.0);
        QVERIFY(WindowFocusEffect::frameAt(458, false).dotScale > 1.35); // the overshoot
        QCOMPARE(WindowFocusEffect::frameAt(520, false), Frame{});
        QSequentialAnimationGroup* timeline = effect.timeline();
        QCOMPARE(timeline->totalDuration(), 520 + 120 + 200);
        timeline->setCurrentTime(520);
        const QImage image = effect.window()->grab().toImage();
        image.save(Picture::snapshotPath(u"focus-overlay.png"_qs));
        QCOMPARE(image.pixelColor(440, 440), LauncherDesign::primary);      // the dot
        QCOMPARE(image.pixelColor(440 + 28, 440), LauncherDesign::primary); // inner ring over main
        QCOMPARE(image.pixelColor(440 + 35, 440), LauncherDesign::primaryDeep);
        QCOMPARE(image.pixelColor(440 + 200, 440).alpha(), 0);
        QCOMPARE(effect.window()->windowOpacity(), 1.0);

        timeline->setCurrentTime(640 + 100);
        QVERIFY(qAbs(effect.window()->windowOpacity() - 0.5) < 0.01); // kept in 8 bits
        QPointer<QWidget> fading = effect.window();
        timeline->setCurrentTime(840);
        QVERIFY(!effect.window());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!fading);

        // Without a compositor nothing but the rings exists on screen: no clear (there black) area.
        effect.setCompositing([] { return false; });
        effect.play({300, 100});
        const QRegion rings = effect.window()->mask();
        QVERIFY(!effect.window()->testAttribute(Qt::WA_TranslucentBackground));
        QVERIFY(rings.contains(QPoint(440 + 320, 440)) && !rings.contains(QPoint(440, 440)));
        QVERIFY(!rings.contains(QPoint(10, 10)) && !rings.contains(QPoint(440 + 250, 440)));
        effect.timeline()->setCurrentTime(500);
        QVERIFY(effect.window()->mask().contains(QPoint(440, 440))); // the dot, once it pops

        // Played again, a new overlay replaces the old one; reduced motion shows no rings and is shorter.
        effect.setReducedMotion([] { return true; });
        effect.play({100, 100});
        QPointer<QWidget> first = effect.window();
        effect.play({900, 400});
        QVERIFY(effect.window() != first);
        QCOMPARE(visibleOverlays(), 1);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!first);
        QCOMPARE(effect.timeline()->totalDuration(), 400 + 120 + 200);
        for (const int ms : {0, 200, 400})
            QCOMPARE(WindowFocusEffect::frameAt(ms, true), Frame{});
        effect.timeline()->setCurrentTime(720);
        QVERIFY(!effect.window());
        QCOMPARE(visibleOverlays(), 0);
    }

    void pulseConvergesHoldsAndFades()
    {
        QWidget window;
        window.resize(500, 300);
        auto* element = new QPushButton(u"row"_qs, &window);
        element->setGeometry(200, 130, 100, 40);
        window.show();
        auto* pulse = new FocusPulse(element, 8, 18);
        using State = FocusPulse::State;

        const QUuid a = QUuid::createUuid();
        pulse->setToken(a);
        QCOMPARE(pulse->state(), (State{18, 0.4, 18 * 1.6, 0.7, 0}));
        // The echo waits 80 ms, then follows the way the main ring went.
        QCOMPARE(FocusPulse::stateAt(80, 18, false).echoSpread, 18 * 1.6);
        QVERIFY(qFuzzyCompare(FocusPulse::stateAt(300, 18, false).echoSpread,
                              1.6 * FocusPulse::stateAt(220, 18, false).mainSpread));
        QWidget* overlay = pulse->overlay();
        QVERIFY(overlay && overlay->isVisible());
        // A new frame at most every 33 ms: until then the overlay keeps showing the primed rings.
        pulse->animation()->setCurrentTime(20);
        QVERIFY(pulse->state().mainSpread < 18);
        QCOMPARE(pulse->shown(), (State{18, 0.4, 18 * 1.6, 0.7, 0}));
        pulse->animation()->setCurrentTime(40);
        QCOMPARE(pulse->shown(), pulse->state());
        QVERIFY(overlay->geometry().contains(element->geometry().adjusted(-30, -30, 30, 30)));

        // The rings never take the element's clicks.
        QSignalSpy clicks(element, &QPushButton::clicked);
        QTest::mouseClick(window.windowHandle(), Qt::LeftButton, {}, element->geometry().center());
        QCOMPARE(clicks.size(), 1);

        pulse->animation()->setCurrentTime(650);
        QCOMPARE(pulse->state(), (State{0, 1, 0, 0, 1}));
        QImage image = window.grab().toImage();
        image.save(Picture::snapshotPath(u"focus-pulse.png"_qs));
        QCOMPARE(image.pixelColor(element->geometry().right() + 1, element->geometry().center().y()),
                 LauncherDesign::primary);
        // At rest the rings lie wholly outside the outline: the element's own edge is not covered.
        for (const QColor& ring : {LauncherDesign::primary, LauncherDesign::primaryDeep})
            QVERIFY(image.pixelColor(element->geometry().right() - 1, element->geometry().center().y()) != ring);
        pulse->animation()->setCurrentTime(950);
        QVERIFY(pulse->state().mainOpacity > 0 && pulse->state().mainOpacity < 1);
        pulse->animation()->setCurrentTime(1050);
        QCOMPARE(pulse->state().mainOpacity + pulse->state().fillOpacity, 0.0);
        QVERIFY(!overlay->isVisible());
        QCOMPARE(pulse->playing(), a);

        // A newer token restarts from the primed state; an absent one hides everything at once.
        pulse->setToken(QUuid::createUuid());
        pulse->animation()->setCurrentTime(300);
        pulse->setToken(QUuid::createUuid());
        QCOMPARE(pulse->state().mainOpacity, 0.4);
        pulse->animation()->setCurrentTime(500);
        pulse->setToken(std::nullopt);
        QCOMPARE(pulse->state().mainOpacity + pulse->state().echoOpacity + pulse->state().fillOpacity, 0.0);
        QVERIFY(!overlay->isVisible());

        // Reduced motion: on the outline at once, then the same fade.
        FocusMotion::setReduced([] { return true; });
        pulse->setToken(QUuid::createUuid());
        QCOMPARE(pulse->state(), (State{0, 1, 0, 0, 1}));
        pulse->animation()->setCurrentTime(849);
        QCOMPARE(pulse->state().fillOpacity, 1.0);
        pulse->animation()->setCurrentTime(1050);
        QCOMPARE(pulse->state().fillOpacity, 0.0);
    }

    void dimmingFollowsTheHighlight()
    {
        AppStateFixture f;
        AppState& state = f.make(f.projects({u"web"_qs, u"api"_qs}));
        const int web = f.editorWindow(10, u"web"_qs);
        f.editorWindow(10, u"api"_qs);
        f.ax.frontmost = 10;
        f.ax.application(10)->focusedWindow = web;

        QWidget panel;
        panel.resize(120, 60);
        panel.setStyleSheet(u"background: white"_qs);
        auto* highlighted = new QWidget(&panel);
        auto* other = new QLabel(&panel);
        other->setGeometry(10, 10, 100, 40);
        other->setStyleSheet(u"background: rgb(10, 186, 181)"_qs);
        auto* bar = new QWidget(&panel);
        FocusFollower* mine = FocusFollower::attach(highlighted, state, FocusTarget::slot(1), FocusFollower::slotCell);
        FocusFollower* theirs = FocusFollower::attach(other, state, FocusTarget::slot(2), FocusFollower::slotCell);
        FocusFollower* plain = FocusFollower::attach(bar, state, std::nullopt);
        panel.show();

        state.captureFocusedWindow();
        state.refresh();
        f.scheduling.runBackground();
        QVERIFY(state.focusHighlight() && state.focusDimActive());
        QCOMPARE(mine->pulse()->playing(), state.focusHighlight()->token);
        QCOMPARE(theirs->pulse()->playing(), std::nullopt);
        QVERIFY(!mine->dim()->dimmed() && theirs->dim()->dimmed() && plain->dim()->dimmed());
        theirs->dim()->animation()->setCurrentTime(180);
        QCOMPARE(theirs->dim()->opacity(), 0.38);
        QCOMPARE(mine->dim()->opacity(), 1.0);
        const QColor c = panel.grab().toImage().pixelColor(60, 30); // grey, faded toward the white behind
        QVERIFY2(qAbs(c.red() - c.green()) <= 2 && qAbs(c.green() - c.blue()) <= 2 && c.red() > 180,
                 qPrintable(c.name()));

        f.scheduling.advance(650);
        QVERIFY(!theirs->dim()->dimmed());
        theirs->dim()->animation()->setCurrentTime(150);
        QVERIFY(theirs->dim()->amount() > 0 && theirs->dim()->amount() < 0.5); // the soft landing
        theirs->dim()->animation()->setCurrentTime(300);
        QCOMPARE(theirs->dim()->opacity(), 1.0);
        QCOMPARE(mine->pulse()->playing(), state.focusHighlight()->token); // the highlight stays
        // Back in full colour the element draws itself: a change shows at once.
        other->setStyleSheet(u"background: rgb(0, 0, 255)"_qs);
        QCOMPARE(panel.grab().toImage().pixelColor(60, 30), QColor(0, 0, 255));
        FocusMotion::setReduced([] { return true; });
        theirs->dim()->setDimmed(true); // at once with reduced motion
        QCOMPARE(theirs->dim()->amount(), 1.0);
    }

    // A program gets the icon of the desktop entry of its name, as does the entry itself; the card
    // around them, and its title in a font with every glyph of it. A shortcut that opened hides the
    // panel; one that failed leaves it open.
    void shortcutBar()
    {
        QTemporaryDir home;
        const QString icon = home.filePath(u"red.png"_qs);
        QImage red(32, 32, QImage::Format_RGB32);
        red.fill(Qt::red);
        QVERIFY(red.save(icon));
        const QString program = home.filePath(u"bin/tool"_qs);
        const QString entry = home.filePath(u"share/applications/tool.desktop"_qs);
        QVERIFY(TestFiles::write(program, "#!/bin/sh\n") &&
                TestFiles::write(entry, "[Desktop Entry]\nName=Tool\nIcon=" + icon.toUtf8() + "\n"));
        QVERIFY(QFile::setPermissions(program, QFile::permissions(program) | QFileDevice::ExeOwner));
        const QByteArray dataHome = qgetenv("XDG_DATA_HOME");
        qputenv("XDG_DATA_HOME", home.filePath(u"share"_qs).toUtf8());

        AppStateFixture f;
        AppState& state = f.make(Layout{});
        state.updateShortcuts({{u"ドキュメント"_qs, u"/home/me/Documents"_qs}},
                              {{u"社内ポータル"_qs, u"https://intra.example.com"_qs}},
                              {{u"tool"_qs, program}, {u"Tool"_qs, entry}});
        Host host;
        ShortcutBarView bar(state, host, 966, 8, 12);
        bar.show();
        for (ShortcutButton* button : bar.buttons().mid(1, 2)) { // after the folder
            const QImage image = button->grab().toImage().convertToFormat(QImage::Format_RGB32);
            const auto* pixels = reinterpret_cast<const QRgb*>(image.constBits());
            QVERIFY2(std::count(pixels, pixels + image.width() * image.height(), qRgb(255, 0, 0)) > 0,
                     qPrintable(button->toolTip()));
        }
        qputenv("XDG_DATA_HOME", dataHome);
        const QImage image = bar.grab().toImage();
        image.save(Picture::snapshotPath(u"shortcut-bar.png"_qs));
        QCOMPARE(image.pixelColor(bar.width() - 30, bar.height() / 2), LauncherDesign::card);
        QCOMPARE(image.pixelColor(bar.width() / 2, 0), LauncherDesign::hair);
        for (const QLabel* label : bar.findChildren<QLabel*>())
            QCOMPARE(missingGlyphs(label->font(), label->text()), QString());

        // Application buttons keep their names only when the first row fits the card with them.
        QCOMPARE(ShortcutBarLayout::buttonWidth(10.0), 56.0);
        QCOMPARE(ShortcutBarLayout::buttonWidth(200.0), 170.0);
        QCOMPARE(ShortcutBarLayout::buttonWidth(std::nullopt), 40.0);
        QVERIFY(ShortcutBarLayout::showsAppLabels({900, 900}, {}, 8, 10)); // no application shortcuts
        QVERIFY(ShortcutBarLayout::showsAppLabels({}, {50, 50}, 8, 200)); // 96 + 96 + 8
        // A row fits its card: narrow buttons keep their width, wide ones share the rest; below 72
        // each there is no room for names.
        QCOMPARE(ShortcutBarLayout::labeledCap({100, 194}, 0, 2, 8, 400), 194.0);
        QCOMPARE(ShortcutBarLayout::labeledCap({100, 194, 194}, 40, 4, 8, 500), 168.0); // (500-40-24-100)/2
        QCOMPARE(ShortcutBarLayout::labeledCap({194, 194, 194, 194, 194}, 400, 15, 8, 942), 86.0);
        QCOMPARE(ShortcutBarLayout::labeledCap({194, 194}, 400, 12, 8, 500), std::nullopt);
        state.updateShortcuts({{u"F"_qs, u"/home/me/src"_qs}}, {{u"ftp"_qs, u"ftp://example.com"_qs}},
                              {{u"A"_qs, u"/nowhere/A.app"_qs}});
        const auto measure = [](const QString& name) { return name == u"F"_qs ? 100.0 : 50.0; };
        // 146 + 96 + 8 = 250 for the first row: 250 points inside the card fit, 249.9 do not.
        ShortcutBarView fits(state, host, 250 + 2 * 12, 8, 12);
        ShortcutBarView tight(state, host, 249.9 + 2 * 12, 8, 12);
        fits.setLabelMeasure(measure);
        tight.setLabelMeasure(measure);
        QVERIFY(fits.showsAppLabels() && !tight.showsAppLabels());
        const QList<ShortcutButton*> shown = fits.buttons();
        const QList<ShortcutButton*> hidden = tight.buttons();
        QCOMPARE(shown.size(), 3);
        QCOMPARE(shown[1]->text(), u"A"_qs);
        QCOMPARE(hidden[1]->text(), QString());
        QCOMPARE(hidden[0]->text(), u"F"_qs);                    // folders keep their names
        QCOMPARE(hidden[1]->toolTip(), u"A\n/nowhere/A.app"_qs); // an icon alone is told apart by its name
        QCOMPARE(shown[1]->toolTip(), u"/nowhere/A.app"_qs);
        QVERIFY(hidden[1]->width() < shown[1]->width());

        // Failures leave the panel open; an opened folder hides it.
        hidden[2]->click(); // not a web address
        hidden[1]->click(); // the application is gone
        QCOMPARE(host.hidden, 0);
        hidden[0]->click();
        QCOMPARE(host.hidden, 1);
        QCOMPARE(f.workspace.opened, QStringList{u"/home/me/src"_qs});

        state.updateShortcuts({}, {}, {{u"A"_qs, u"/nowhere/A.app"_qs}});
        QCOMPARE(fits.buttons().size(), 1);
    }

    void tabularFigures()
    {
        const QFont font = narrowOneFont();
        QVERIFY(QFontMetricsF(font).horizontalAdvance(u"11"_qs) < QFontMetricsF(font).horizontalAdvance(u"88"_qs));
        QCOMPARE(LauncherDesign::tabularWidth(font, u"11"_qs), LauncherDesign::tabularWidth(font, u"88"_qs));
        // Ink columns (first, last) of a text drawn tabular in a 40-point box at x 20.
        const auto ink = [&](const QString& text, int alignment) {
            QImage image(80, 24, QImage::Format_RGB32);
            image.fill(Qt::white);
            QPainter p(&image);
            LauncherDesign::drawTabular(p, QRectF(20, 0, 40, 24), alignment | Qt::AlignVCenter, font, text);
            p.end();
            int first = image.width(), last = -1;
            for (int x = 0; x < image.width(); ++x)
                for (int y = 0; y < image.height(); ++y)
                    if (qGray(image.pixel(x, y)) < 128)
                        first = std::min(first, x), last = std::max(last, x);
            return std::pair{first, last};
        };
        // The "%" stays put whichever digit stands beside it.
        QCOMPARE(ink(u"1%"_qs, Qt::AlignLeft).second, ink(u"8%"_qs, Qt::AlignLeft).second);
        QCOMPARE(ink(u"%1"_qs, Qt::AlignRight).first, ink(u"%8"_qs, Qt::AlignRight).first);
        QCOMPARE(ink(u"%1"_qs, Qt::AlignHCenter).first, ink(u"%8"_qs, Qt::AlignHCenter).first);
        // Too long for the box: cut short with an ellipsis, not clipped.
        QCOMPARE(ink(u"1234567890%"_qs, Qt::AlignRight), ink(u"123\u2026"_qs, Qt::AlignRight));
    }

    void themesAndSymbols()
    {
        // An unknown theme name is the standard theme, which tints nothing.
        QCOMPARE(ThemeColors::of(PanelThemes::from(u"teal"_qs)).tint, std::nullopt);
        // Every symbol the views name is bundled, and comes out in the colour asked for.
        for (const char* name :
             {"gearshape", "questionmark.circle", "lock.shield", "folder.fill", "link", "bolt.fill",
              "exclamationmark.triangle.fill", "rectangle.stack", "square.dashed"})
            QVERIFY2(!Icons::resourceFor(QString::fromLatin1(name)).isEmpty(), name);
        const auto colours = [](const QPixmap& pixmap) {
            QSet<QRgb> seen;
            const QImage image = pixmap.toImage();
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < image.width(); ++x)
                    if (qAlpha(image.pixel(x, y)) == 255)
                        seen.insert(image.pixel(x, y) | 0xff000000u);
            return seen;
        };
        QCOMPARE(colours(Icons::symbol(u"folder.fill"_qs, LauncherDesign::primary, 32)),
                 QSet<QRgb>{LauncherDesign::primary.rgb()});
        // An unknown symbol still draws something.
        QVERIFY(!colours(Icons::symbol(u"no.such.symbol"_qs, LauncherDesign::alert, 32)).isEmpty());
    }
};

QTEST_MAIN(EffectsTest)
#include "tst_effects.moc"
