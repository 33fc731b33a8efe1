#include "FakeTriggers.h"
#include "platform/x11/X11Keyboard.h"

#include <QTest>

namespace {
constexpr xcb_keysym_t shiftL = 0xffe1, shiftR = 0xffe2, capsLock = 0xffe5, superL = 0xffeb, altL = 0xffe9;
// Physical key codes of a usual PC keyboard under X.
constexpr xcb_keycode_t shiftLKey = 50, shiftRKey = 62, capsKey = 66, superKey = 133, altKey = 64;
constexpr xcb_keycode_t aKey = 38, spaceKey = 65;
using TestKeys::down;
using TestKeys::flags;
} // namespace

// Raw X key presses and releases turned into the key events the tap rules read.
class X11KeysTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void virtualKeyCodes()
    {
        QCOMPARE(MacKeyCodes::keysym(9), xcb_keysym_t('v'));
        QCOMPARE(MacKeyCodes::keysym(49), xcb_keysym_t(' '));
        QCOMPARE(MacKeyCodes::keysym(29), xcb_keysym_t('0'));
        QVERIFY(!MacKeyCodes::keysym(10)); // no key of the US layout
        QVERIFY(!MacKeyCodes::keysym(0x10009));
        // Every letter and digit goes there and back.
        for (quint32 code = 0; code <= 50; ++code) {
            if (const auto sym = MacKeyCodes::keysym(code))
                QCOMPARE(MacKeyCodes::keyCode(*sym), quint16(code));
        }
        QCOMPARE(MacKeyCodes::keyCode('V'), quint16(9)); // shifted letters are the same key
        QCOMPARE(MacKeyCodes::keyCode(shiftL), KeyEvent::leftShift);
        QCOMPARE(MacKeyCodes::keyCode(shiftR), KeyEvent::rightShift);
        QCOMPARE(MacKeyCodes::keyCode(0x1008ff13), KeyEvent::unknownKey); // a media key
    }

    void modifiersCarryTheirState()
    {
        MacKeyTranslator t;
        QCOMPARE(t.translate(shiftL, shiftLKey, true), flags(56, KeyEvent::shiftFlag));
        QCOMPARE(t.translate(shiftL, shiftLKey, true), std::nullopt); // a held modifier repeating
        QCOMPARE(t.translate('a', aKey, true), down(0, KeyEvent::shiftFlag));
        QCOMPARE(t.translate('a', aKey, false), std::nullopt);
        QCOMPARE(t.translate(shiftL, shiftLKey, false), flags(56, 0));
        // A release seen twice reads as a release again: nothing held.
        QCOMPARE(t.translate(shiftL, shiftLKey, false), flags(56, 0));

        // Both Shift keys held: releasing one leaves Shift on.
        t.translate(shiftL, shiftLKey, true);
        QCOMPARE(t.translate(shiftR, shiftRKey, true), flags(60, KeyEvent::shiftFlag));
        QCOMPARE(t.translate(shiftL, shiftLKey, false), flags(56, KeyEvent::shiftFlag));
        QCOMPARE(t.translate(shiftR, shiftRKey, false), flags(60, 0));

        // Super is the command key, Alt the option key.
        QCOMPARE(t.translate(superL, superKey, true), flags(55, KeyEvent::commandFlag));
        QCOMPARE(t.translate(shiftL, shiftLKey, true),
                 flags(56, KeyEvent::commandFlag | KeyEvent::shiftFlag));
        t.translate(shiftL, shiftLKey, false);
        t.translate(superL, superKey, false);
        QCOMPARE(t.translate(altL, altKey, true), flags(58, KeyEvent::optionFlag));
        t.translate(altL, altKey, false);
    }

    void capsLockToggles()
    {
        MacKeyTranslator t;
        t.setCapsLock(true); // the state found when listening began
        QCOMPARE(t.translate(shiftL, shiftLKey, true),
                 flags(56, KeyEvent::shiftFlag | KeyEvent::capsLockFlag));
        t.translate(shiftL, shiftLKey, false);
        QCOMPARE(t.translate(capsLock, capsKey, true), flags(57, 0));
        QCOMPARE(t.translate(capsLock, capsKey, true), std::nullopt); // held
        QCOMPARE(t.translate(capsLock, capsKey, false), std::nullopt);
        QCOMPARE(t.translate(capsLock, capsKey, true), flags(57, KeyEvent::capsLockFlag));
    }

    void heldKeysRepeat()
    {
        MacKeyTranslator t;
        QCOMPARE(t.translate(' ', spaceKey, true), down(49));
        QCOMPARE(t.translate(' ', spaceKey, true), down(49, 0, true));
        t.translate(' ', spaceKey, false);
        QCOMPARE(t.translate(' ', spaceKey, true), down(49));
        QCOMPARE(t.translate(0x1008ff13, 122, true), down(KeyEvent::unknownKey));
    }
};

QTEST_GUILESS_MAIN(X11KeysTest)
#include "tst_x11_keys.moc"
