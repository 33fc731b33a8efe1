#include "core/agents/AgentHookSnippet.h"

#include "core/text/BoundedFile.h"

#include <QFile>
#include <functional>

namespace AgentHookSnippet {

QString json(const QString& scriptPath)
{
    if (scriptPath.contains(u'"') || scriptPath.contains(u'\\') || scriptPath.contains(u'\''))
        return {};
    const auto command = [&](const char16_t* state) {
        return QStringLiteral("\"command\": \"'%1' %2\"").arg(scriptPath, QString::fromUtf16(state));
    };
    return QStringLiteral("{\n"
                          "  \"hooks\": {\n"
                          "    \"UserPromptSubmit\": [\n"
                          "      { \"hooks\": [ { \"type\": \"command\", %1, \"async\": true } ] }\n"
                          "    ],\n"
                          "    \"Notification\": [\n"
                          "      { \"matcher\": \"permission_prompt|agent_needs_input\",\n"
                          "        \"hooks\": [ { \"type\": \"command\", %2, \"async\": true } ] }\n"
                          "    ],\n"
                          "    \"Stop\": [\n"
                          "      { \"hooks\": [ { \"type\": \"command\", %3, \"async\": true } ] }\n"
                          "    ],\n"
                          "    \"SessionEnd\": [\n"
                          "      { \"hooks\": [ { \"type\": \"command\", %4, \"async\": true } ] }\n"
                          "    ]\n"
                          "  }\n"
                          "}")
        .arg(command(u"running"), command(u"waiting"), command(u"idle"), command(u"end"));
}

QString clipboardText(const QString& scriptPath)
{
    const QString snippet = json(scriptPath);
    if (snippet.isEmpty())
        return {};
    return QStringLiteral(
               "Panedeck のエージェント状態バッジ用のフックを設定してください。\n"
               "\n"
               "【お願い】\n"
               "下の hooks 定義を ~/.claude/settings.json に追加してください。\n"
               "\n"
               "【重要・必ず守ってください】\n"
               "- 既存の hooks を消さないでください。各イベントの配列へ「追加」してください\n"
               "  (Stop や SessionStart には別のフックが入っていることがあります)\n"
               "- hooks 以外のキー(permissions / enabledPlugins / model など)には一切触れないでください\n"
               "- 書き込み前にバックアップを取り、書き込み後に JSON として妥当か確認してください\n"
               "- 設定変更には update-config スキルを使うと安全です\n"
               "\n"
               "【追加する内容】\n") +
           snippet;
}

bool isInstalled(const QString& settingsJSON, const QString& scriptPath)
{
    return settingsJSON.contains(scriptPath);
}

std::optional<QString> bundledScriptPath(const Bundle& bundle)
{
    return bundle.resourcePath(QStringLiteral("agent-state"), QStringLiteral("sh"));
}

std::optional<QString> installedSettingsJSON(const QString& home)
{
    const auto bytes =
        BoundedFile::read(home + QStringLiteral("/.claude/settings.json"), BoundedFile::settingsLimit);
    return bytes ? BoundedFile::decode(*bytes) : std::nullopt;
}

QString statusDescription(const std::optional<QString>& scriptPath,
                          const std::optional<QString>& settingsJSON, const std::function<bool()>& hasEntries)
{
    if (!scriptPath || !settingsJSON)
        return QStringLiteral("未設定です（フックが見つかりません）");
    if (!isInstalled(*settingsJSON, *scriptPath))
        return QStringLiteral("未設定です。下のボタンで設定をコピーしてください");
    if (hasEntries())
        return QStringLiteral("設定済み・状態を受信しています");
    return QStringLiteral("設定済みですが、まだ状態が届いていません（エージェントを1回動かすと届きます）");
}

} // namespace AgentHookSnippet
