#include "core/layout/LayoutJson.h"

#include "core/text/JsonText.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <limits>

namespace LayoutJson {
namespace {

// Reading: every helper records the first violation and answers a harmless value; the caller
// checks `failed` once at the end.
class Reader {
public:
    QString error;
    bool failed() const { return !error.isEmpty(); }

    void fail(const QString& path, const QString& what)
    {
        if (error.isEmpty())
            error = path + QStringLiteral(": ") + what;
    }

    static bool absent(const QJsonObject& o, const QString& key)
    {
        const auto v = o.value(key);
        return v.isUndefined() || v.isNull();
    }

    QJsonValue required(const QJsonObject& o, const QString& key, const QString& path)
    {
        const QJsonValue v = o.value(key);
        if (v.isUndefined() || v.isNull())
            fail(path + u'.' + key, QStringLiteral("missing"));
        return v;
    }

    QString string(const QJsonValue& v, const QString& path)
    {
        if (!v.isString())
            fail(path, QStringLiteral("not a string"));
        return v.toString();
    }
    bool boolean(const QJsonValue& v, const QString& path)
    {
        if (!v.isBool())
            fail(path, QStringLiteral("not a Boolean"));
        return v.toBool();
    }
    qint64 integer(const QJsonValue& v, const QString& path, qint64 min, qint64 max)
    {
        const auto value = JsonText::integer(v);
        if (!value || *value < min || *value > max) {
            fail(path, QStringLiteral("not a whole number in range"));
            return 0;
        }
        return *value;
    }
    QJsonObject object(const QJsonValue& v, const QString& path)
    {
        if (!v.isObject())
            fail(path, QStringLiteral("not an object"));
        return v.toObject();
    }
    QJsonArray array(const QJsonValue& v, const QString& path)
    {
        if (!v.isArray())
            fail(path, QStringLiteral("not an array"));
        return v.toArray();
    }

    std::optional<QString> optionalString(const QJsonObject& o, const QString& key, const QString& path)
    {
        if (absent(o, key))
            return std::nullopt;
        return string(o.value(key), path + u'.' + key);
    }
    std::optional<bool> optionalBool(const QJsonObject& o, const QString& key, const QString& path)
    {
        if (absent(o, key))
            return std::nullopt;
        return boolean(o.value(key), path + u'.' + key);
    }
    std::optional<qint64> optionalInteger(const QJsonObject& o, const QString& key, const QString& path)
    {
        if (absent(o, key))
            return std::nullopt;
        return integer(o.value(key), path + u'.' + key, std::numeric_limits<qint64>::min(),
                       std::numeric_limits<qint64>::max());
    }

    ServerEntry server(const QJsonValue& v, const QString& path)
    {
        const QJsonObject o = object(v, path);
        return {string(required(o, QStringLiteral("address"), path), path + QStringLiteral(".address")),
                string(required(o, QStringLiteral("browser"), path), path + QStringLiteral(".browser"))};
    }
    std::optional<ServerEntry> optionalServer(const QJsonObject& o, const QString& path)
    {
        if (absent(o, QStringLiteral("server")))
            return std::nullopt;
        return server(o.value(QStringLiteral("server")), path + QStringLiteral(".server"));
    }

    SlotEntry slot(const QJsonValue& v, const QString& path)
    {
        const QJsonObject o = object(v, path);
        SlotEntry e;
        e.name = string(required(o, QStringLiteral("name"), path), path + QStringLiteral(".name"));
        e.path = string(required(o, QStringLiteral("path"), path), path + QStringLiteral(".path"));
        e.url = optionalString(o, QStringLiteral("url"), path);
        e.kind = optionalString(o, QStringLiteral("kind"), path);
        e.server = optionalServer(o, path);
        e.color = optionalString(o, QStringLiteral("color"), path);
        e.matchKey = optionalString(o, QStringLiteral("matchKey"), path);
        return e;
    }

    ProjectMemo memo(const QJsonValue& v, const QString& path)
    {
        const QJsonObject o = object(v, path);
        return {optionalString(o, QStringLiteral("name"), path),
                optionalString(o, QStringLiteral("url"), path),
                optionalString(o, QStringLiteral("color"), path), optionalServer(o, path)};
    }

    HotkeyConfig hotkey(const QJsonValue& v, const QString& path)
    {
        const QJsonObject o = object(v, path);
        HotkeyConfig h;
        h.keyCode =
            quint32(integer(required(o, QStringLiteral("keyCode"), path), path + QStringLiteral(".keyCode"),
                            0, std::numeric_limits<quint32>::max()));
        h.modifiers.clear();
        const QJsonArray modifiers =
            array(required(o, QStringLiteral("modifiers"), path), path + QStringLiteral(".modifiers"));
        for (const QJsonValue& m : modifiers)
            h.modifiers.append(string(m, path + QStringLiteral(".modifiers[]")));
        return h;
    }

    std::optional<QList<ShortcutEntry>> shortcuts(const QJsonObject& o, const QString& key)
    {
        if (absent(o, key))
            return std::nullopt;
        QList<ShortcutEntry> list;
        for (const QJsonValue& item : array(o.value(key), key)) {
            const QString path = key + QStringLiteral("[]");
            const QJsonObject entry = object(item, path);
            list.append(
                {string(required(entry, QStringLiteral("name"), path), path + QStringLiteral(".name")),
                 string(required(entry, QStringLiteral("target"), path), path + QStringLiteral(".target"))});
        }
        return list;
    }
};

QJsonObject serverObject(const ServerEntry& s)
{
    return {{QStringLiteral("address"), s.address}, {QStringLiteral("browser"), s.browser}};
}

template <typename T> void put(QJsonObject& o, const QString& key, const std::optional<T>& value)
{
    if (value)
        o.insert(key, *value);
}

void putServer(QJsonObject& o, const std::optional<ServerEntry>& server)
{
    if (server)
        o.insert(QStringLiteral("server"), serverObject(*server));
}

void putShortcuts(QJsonObject& o, const QString& key, const std::optional<QList<ShortcutEntry>>& list)
{
    if (!list)
        return;
    QJsonArray array;
    for (const ShortcutEntry& s : *list)
        array.append(QJsonObject{{QStringLiteral("name"), s.name}, {QStringLiteral("target"), s.target}});
    o.insert(key, array);
}

} // namespace

std::optional<Layout> decode(const QByteArray& bytes, QString* error)
{
    // A byte-order mark, as some text editors write one, is not part of the document.
    const QByteArray bom("\xEF\xBB\xBF");
    QJsonParseError parseError{};
    const QJsonDocument document =
        QJsonDocument::fromJson(bytes.startsWith(bom) ? bytes.mid(bom.size()) : bytes, &parseError);
    Reader r;
    if (parseError.error != QJsonParseError::NoError)
        r.fail(QStringLiteral("layout.json"), parseError.errorString());
    else if (!document.isObject())
        r.fail(QStringLiteral("layout.json"), QStringLiteral("not an object"));

    Layout layout;
    if (!r.failed()) {
        const QJsonObject root = document.object();
        const QJsonObject slots =
            r.object(r.required(root, QStringLiteral("slots"), QString()), QStringLiteral("slots"));
        for (auto it = slots.begin(); it != slots.end(); ++it)
            layout.slots.insert(it.key(), r.slot(it.value(), QStringLiteral("slots.") + it.key()));
        layout.hotkey =
            r.hotkey(r.required(root, QStringLiteral("hotkey"), QString()), QStringLiteral("hotkey"));
        layout.hotkeyEnabled = r.optionalBool(root, QStringLiteral("hotkeyEnabled"), QString());
        layout.doubleTapShift = r.optionalBool(root, QStringLiteral("doubleTapShift"), QString());
        layout.panelTheme = r.optionalString(root, QStringLiteral("panelTheme"), QString());
        layout.lastTileCount = r.optionalInteger(root, QStringLiteral("lastTileCount"), QString());
        layout.doubleTapKey = r.optionalString(root, QStringLiteral("doubleTapKey"), QString());
        layout.tapCount = r.optionalInteger(root, QStringLiteral("tapCount"), QString());
        layout.folderShortcuts = r.shortcuts(root, QStringLiteral("folderShortcuts"));
        layout.urlShortcuts = r.shortcuts(root, QStringLiteral("urlShortcuts"));
        layout.appShortcuts = r.shortcuts(root, QStringLiteral("appShortcuts"));
        if (!Reader::absent(root, QStringLiteral("projectMemory"))) {
            ProjectMemoryMap memory;
            const QJsonObject memos =
                r.object(root.value(QStringLiteral("projectMemory")), QStringLiteral("projectMemory"));
            for (auto it = memos.begin(); it != memos.end(); ++it)
                memory.insert(it.key(), r.memo(it.value(), QStringLiteral("projectMemory.") + it.key()));
            layout.projectMemory = memory;
        }
        layout.agentStatusEnabled = r.optionalBool(root, QStringLiteral("agentStatusEnabled"), QString());
        layout.claudeUsageEnabled = r.optionalBool(root, QStringLiteral("claudeUsageEnabled"), QString());
    }

    if (r.failed()) {
        if (error)
            *error = r.error;
        return std::nullopt;
    }
    return layout;
}

QByteArray encode(const Layout& layout)
{
    QJsonObject root;
    QJsonObject slots;
    for (auto it = layout.slots.begin(); it != layout.slots.end(); ++it) {
        const SlotEntry& e = it.value();
        QJsonObject o{{QStringLiteral("name"), e.name}, {QStringLiteral("path"), e.path}};
        put(o, QStringLiteral("url"), e.url);
        put(o, QStringLiteral("kind"), e.kind);
        putServer(o, e.server);
        put(o, QStringLiteral("color"), e.color);
        put(o, QStringLiteral("matchKey"), e.matchKey);
        slots.insert(it.key(), o);
    }
    root.insert(QStringLiteral("slots"), slots);
    root.insert(
        QStringLiteral("hotkey"),
        QJsonObject{{QStringLiteral("keyCode"), qint64(layout.hotkey.keyCode)},
                    {QStringLiteral("modifiers"), QJsonArray::fromStringList(layout.hotkey.modifiers)}});
    put(root, QStringLiteral("hotkeyEnabled"), layout.hotkeyEnabled);
    put(root, QStringLiteral("doubleTapShift"), layout.doubleTapShift);
    put(root, QStringLiteral("panelTheme"), layout.panelTheme);
    put(root, QStringLiteral("lastTileCount"), layout.lastTileCount);
    put(root, QStringLiteral("doubleTapKey"), layout.doubleTapKey);
    put(root, QStringLiteral("tapCount"), layout.tapCount);
    putShortcuts(root, QStringLiteral("folderShortcuts"), layout.folderShortcuts);
    putShortcuts(root, QStringLiteral("urlShortcuts"), layout.urlShortcuts);
    putShortcuts(root, QStringLiteral("appShortcuts"), layout.appShortcuts);
    if (layout.projectMemory) {
        QJsonObject memos;
        for (auto it = layout.projectMemory->begin(); it != layout.projectMemory->end(); ++it) {
            QJsonObject o;
            put(o, QStringLiteral("name"), it->name);
            put(o, QStringLiteral("url"), it->url);
            put(o, QStringLiteral("color"), it->color);
            putServer(o, it->server);
            memos.insert(it.key(), o);
        }
        root.insert(QStringLiteral("projectMemory"), memos);
    }
    put(root, QStringLiteral("agentStatusEnabled"), layout.agentStatusEnabled);
    put(root, QStringLiteral("claudeUsageEnabled"), layout.claudeUsageEnabled);
    return JsonText::pretty(root);
}

} // namespace LayoutJson
