#include "AppStateFixture.h"
#include "FakePlatform.h"
#include "platform/linux/XdgAutostart.h"
#include "ui/AppSettingsSheet.h"

#include <QCheckBox>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>

// "ログイン時に起動" in the application settings, through the sheet down to the desktop's autostart entry.
class LoginTest : public QObject {
    Q_OBJECT

    QTemporaryDir home;
    QString entry() const { return home.filePath(u"config/autostart/panedeck.desktop"_qs); }
    QString readEntry() const
    {
        QFile file(entry());
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }
    // Opens the sheet, sets the switch, saves; what the sheet showed before.
    std::pair<bool, QString> switchTo(AppState& state, const QString& program, bool on)
    {
        AppSettingsSheet::Probes probes{home.path(), [](const QString&) { return false; },
                                        [] { return false; }, std::make_shared<XdgAutostart>(program)};
        AppSettingsSheet sheet(state, bundle, fx->workspace, nullptr, probes);
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
    std::unique_ptr<AppStateFixture> fx;
    FakeBundle bundle;

private Q_SLOTS:
    void initTestCase() { qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.filePath(u"config"_qs))); }
    void init() { fx = std::make_unique<AppStateFixture>(); }

    void switchWritesAndRemovesTheEntry()
    {
        AppState& state = fx->make(Layout::empty());
        const QString program = home.filePath(u"my \"tools\"/pane$deck"_qs);
        QDir().mkpath(QFileInfo(program).path());
        QFile file(program);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        QVERIFY(file.setPermissions(file.permissions() | QFile::ExeOwner));

        QCOMPARE(switchTo(state, program, true).first, false);
        // Quoted as the desktop entry format wants it: \" and \$ in the quotes, each \ doubled again.
        QVERIFY2(readEntry().contains(u"\nExec=\""_qs + home.path() +
                                      u"/my \\\\\"tools\\\\\"/pane\\\\$deck\"\n"_qs),
                 qPrintable(readEntry()));
        QVERIFY(readEntry().startsWith(u"[Desktop Entry]\nType=Application\n"_qs));
        const auto shown = switchTo(state, program, false);
        QCOMPARE(shown, std::make_pair(
                            true, u"ログインすると Panedeck が常駐し、ホットキーですぐに呼び出せます。"_qs));
        QVERIFY(!QFile::exists(entry()));

        // An entry for a program that has gone is reported, and switching off removes it.
        QCOMPARE(switchTo(state, program, true).first, false);
        QVERIFY(QFile::remove(program));
        QCOMPARE(
            switchTo(state, program, false),
            std::make_pair(
                true, u"登録されているプログラムが見つかりません。オフにして保存すると登録を消します。"_qs));
        QVERIFY(!QFile::exists(entry()));
    }
};

QTEST_MAIN(LoginTest)
#include "tst_login.moc"
