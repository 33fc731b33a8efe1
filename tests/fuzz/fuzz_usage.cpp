// Claude Code's state file with the meter made of it, and the editor's storage.json.

#include "FuzzInput.h"
#include "core/usage/ClaudeUsage.h"
#include "core/usage/ClaudeUsageDisplay.h"
#include "core/windows/WorkspaceHistory.h"

#include <QDateTime>
#include <QTimeZone>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes = bytesOf(data, size);
    const auto usage = ClaudeUsageReader::parse(bytes);
    static const QTimeZone tokyo("Asia/Tokyo");
    const QDateTime now = QDateTime::fromSecsSinceEpoch(1'800'000'000, Qt::UTC);
    if (const auto display = ClaudeUsageDisplay::make(usage, now, tokyo)) {
        for (const auto& row : display->rows)
            FUZZ_CHECK(!row.percent || (*row.percent >= 0 && *row.percent <= 100));
    }
    const QStringList folders = WorkspaceHistory::openFolderPaths(bytes);
    if (!folders.isEmpty())
        WorkspaceHistory::resolvePath(folders.first().section(u'/', -1), folders);
    return 0;
}
