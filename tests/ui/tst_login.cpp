#include "AppStateFixture.h"
#include "platform/linux/XdgAutostart.h"
#include "ui/AppSettingsSheet.h"

#include <QCheckBox>
#include <QLabel>
#include <QTest>

// "ログイン時に起動" in the application settings, through the sheet down to the desktop's autostart entry.
class LoginTest : public QObject {
    Q_OBJECT

    AppStateFixture fx;
    FakeBundle bundle;
    QString entry() const { return fx.dir.filePath(u"config/autostart/panedeck.desktop"_qs); }
    QString readEntry() const { return QString::fromUtf8(TestFiles::read(entry())); }
    // Opens the sheet, sets the switch, saves; what the sheet showed before.
    std::pair<bool, QString> switchTo(const QString& program, bool on)
    {
        AppSettingsSheet::Probes probes{fx.dir.path(), [](const QString&) { return false; }, [] { return false; },
                                        std::make_shared<XdgAutostart>(program)};
        AppSettingsSheet sheet(*fx.state, bundle, fx.workspace, nullptr, probes);
        auto* box = sheet.findChild<QCheckBox*>(u"login"_qs);
        auto* caption = sheet.findChild<QLabel*>(u"loginCaption"_qs);
        if (!box || !caption)
            return {false, u"no login switch"_qs};
        const std::pair<bool, QString> shown{box->isChecked(), caption->text()};
        box->setChecked(on);
        if (!sheet.save())
            return {false, sheet.errorMessage().value_or(QString())};
        return shown;
    }

private Q_SLOTS:
    void switchWritesAndRemovesTheEntry()
    {
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(fx.dir.filePath(u"config"_qs)));
        fx.make(Layout::empty());
        const QString program = fx.dir.filePath(u"my \"tools\"/pane$deck"_qs);
        QVERIFY(TestFiles::write(program, {}));
        QVERIFY(QFile::setPermissions(program, QFile::permissions(program) | QFile::ExeOwner));

        QCOMPARE(switchTo(program, true).first, false);
        // Quoted as the desktop entry format wants it: \" and \$ in the quotes, each \ doubled again.
        QVERIFY2(readEntry().contains(u"\nExec=\""_qs + fx.dir.path() + u"/my \\\\\"tools\\\\\"/pane\\\\$deck\"\n"_qs),
                 qPrintable(readEntry()));
        QVERIFY(readEntry().startsWith(u"[Desktop Entry]\nType=Application\n"_qs));
        QCOMPARE(switchTo(program, false),
                 std::make_pair(true, u"ログインすると Panedeck が常駐し、ホットキーですぐに呼び出せます。"_qs));
        QVERIFY(!QFile::exists(entry()));

        // An entry for a program that has gone is reported, and switching off removes it.
        QCOMPARE(switchTo(program, true).first, false);
        QVERIFY(QFile::remove(program));
        QCOMPARE(
            switchTo(program, false),
            std::make_pair(true, u"登録されているプログラムが見つかりません。オフにして保存すると登録を消します。"_qs));
        QVERIFY(!QFile::exists(entry()));

        // Where no entry can be written the sheet says so, with the reason, and saves nothing.
        const QString folder = fx.dir.filePath(u"config/autostart"_qs);
        QVERIFY(TestFiles::write(program, {}) && QDir(folder).removeRecursively() && TestFiles::write(folder, {}));
        const auto [saved, message] = switchTo(program, true);
        QVERIFY2(!saved && message.startsWith(u"ログイン時の起動を切り替えられませんでした: "_qs) &&
                     message.size() > 30,
                 qPrintable(message));
    }
};

QTEST_MAIN(LoginTest)
#include "tst_login.moc"
