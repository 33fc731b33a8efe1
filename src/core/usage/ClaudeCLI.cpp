#include "core/usage/ClaudeCLI.h"

#include "core/shell/AppSupportDirectory.h"

#include <QDir>

namespace ClaudeCLI {
namespace {

// An argument as it is typed into a shell (only as far as the fixed arguments need it).
QString shellQuoted(const QString& argument)
{
    if (argument.contains(u' ') || argument.contains(u'"'))
        return u'\'' + argument + u'\'';
    if (argument.startsWith(u'/'))
        return u'"' + argument + u'"';
    return argument;
}

} // namespace

QStringList candidates(const QString& home)
{
    const auto inHome = [&](const QString& relative) { return QDir::cleanPath(home + u'/' + relative); };
    return {inHome(QStringLiteral(".local/bin/claude")), QStringLiteral("/opt/homebrew/bin/claude"),
            QStringLiteral("/usr/local/bin/claude"), inHome(QStringLiteral(".claude/local/claude"))};
}

std::optional<QString> find(const QString& home, const std::function<bool(const QString&)>& isExecutable)
{
    for (const QString& candidate : candidates(home)) {
        if (isExecutable(candidate))
            return candidate;
    }
    return std::nullopt;
}

QStringList usageArguments()
{
    return {QStringLiteral("-p"),
            QStringLiteral("/usage"),
            QStringLiteral("--output-format"),
            QStringLiteral("json"),
            QStringLiteral("--strict-mcp-config"),
            QStringLiteral("--no-session-persistence"),
            QStringLiteral("--settings"),
            QStringLiteral("{\"disableAllHooks\": true}")};
}

void runUsage(Processes& processes, const QString& executable, const QString& workingDirectory,
              int terminateAfterMs)
{
    QDir().mkpath(workingDirectory); // a failure shows up as a run that could not start
    processes.runQuietly(executable, usageArguments(), workingDirectory, terminateAfterMs);
}

QString setupPrompt()
{
    const QString home = QStringLiteral("/PANEDECK-HOME");
    QStringList candidateLines;
    for (QString path : candidates(home))
        candidateLines.append(QStringLiteral("   - ") + path.replace(home, QStringLiteral("~")));
    QStringList argumentLine;
    for (const QString& argument : usageArguments())
        argumentLine.append(shellQuoted(argument));

    const QString first =
        u"Panedeck の「ヘッダーに Claude Code の使用量を出す」を使うために、\n"
        u"この Mac にターミナル版の Claude Code（claude コマンド）が使える状態か確かめ、\n"
        u"無ければ入れてください。\n"
        u"\n"
        u"【手順】\n"
        u"1. すでに入っているか確かめる\n"
        u"   次の場所に実行できる claude があるかを見て、あれば `<その場所> --version` を実行する。\n"_qs;
    const QString second =
        u"\n"
        u"   （Panedeck はこの場所しか探しません。ほかの場所にしか無い場合は、その旨を報告してください）\n"
        u"2. 無ければ、公式の手順で入れる\n"
        u"   curl -fsSL https://claude.ai/install.sh | bash\n"
        u"   入ったら ~/.local/bin/claude --version で版が出ることを確かめる。\n"
        u"3. ログインできているか確かめる（Panedeck が裏で実行するのと同じコマンド）\n"
        u"   cd ~ && ~/.local/bin/claude "_qs;
    const QString third =
        u" < /dev/null\n"
        u"   ※ 2で入れていない場合は、1で見つけた場所の claude に置き換える\n"
        u"   「Current session: ○% used」のような使用量が出れば完了です。\n"
        u"\n"
        u"【守ってほしいこと】\n"
        u"- sudo や npm は使わない（公式は上の curl の方法を勧めています）\n"
        u"- API キーを設定・作成しない（使うのは Claude のプランのログインだけ）\n"
        u"- ~/.claude/settings.json など、既存の設定ファイルは変更しない\n"
        u"- 3でログインを求められた、またはエラーになった場合は、自分でログインしようとせず、\n"
        u"  「ターミナル.app を開いて claude "
        u"と入力し、表示に従ってブラウザでログインしてください」と案内して止まる\n"
        u"  （ログインはブラウザでの操作が要るため、ここからはできません）\n"
        u"\n"
        u"【最後に報告してほしいこと】\n"
        u"- claude の場所と版\n"
        u"- 3の結果（使用量が出たか、出なかったならそのメッセージ）"_qs;
    return first + candidateLines.join(u'\n') + second + argumentLine.join(u' ') + third;
}

QString workingDirectory()
{
    return AppSupportDirectory::defaultPath() + QStringLiteral("/claude-usage");
}

} // namespace ClaudeCLI
