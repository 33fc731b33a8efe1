// What /proc shows of other processes, which they shape themselves (command names in stat lines,
// command lines, environments), as the single-copy guard and the terminal folders read it.

#include "FuzzInput.h"
#include "platform/linux/LinuxProcesses.h"
#include "platform/linux/TerminalFolders.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QTemporaryDir>

namespace {

// A /proc of its own: a terminal emulator (1) and two processes (2 and 3), each with a task of its
// own and a working folder "/work/<pid>".
struct FakeProc {
    // In memory where the system has such a folder.
    QTemporaryDir root{QDir(QStringLiteral("/dev/shm")).exists()
                           ? QStringLiteral("/dev/shm/fuzz_proc-XXXXXX")
                           : QDir::tempPath() + QStringLiteral("/fuzz_proc-XXXXXX")};
    FakeProc()
    {
        for (const QString& pid : {QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3")}) {
            QDir().mkpath(root.filePath(pid + QStringLiteral("/task/") + pid));
            QFile::link(QStringLiteral("/work/") + pid, root.filePath(pid + QStringLiteral("/cwd")));
        }
    }
    // Files are written only when they change: most inputs leave most of them alone.
    QHash<QString, QByteArray> written;
    void write(const QString& path, const QByteArray& bytes)
    {
        auto it = written.find(path);
        if (it != written.end() && *it == bytes)
            return;
        QFile file(root.filePath(path));
        if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            file.write(bytes);
        written.insert(path, bytes);
    }
};

uint32_t fnv1a(const QByteArray& bytes)
{
    uint32_t hash = 2166136261u;
    for (const char byte : bytes)
        hash = (hash ^ static_cast<unsigned char>(byte)) * 16777619u;
    return hash;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes = bytesOf(data, size);
    LinuxProcesses::bootTimeIn(bytes);
    LinuxProcesses::isResidentCommandLine(bytes);
    const qint64 boot = 1700000000;
    if (const auto start = LinuxProcesses::startTimeIn(bytes, boot, 100))
        FUZZ_CHECK(start->isValid() && start->toMSecsSinceEpoch() >= boot * 1000);
    FUZZ_CHECK(LinuxProcesses::supportFolderIn(bytes).endsWith(QStringLiteral("/Panedeck")));

    // NUL-separated: the children of 1, then the stat line and the children of 2, then of 3. Files
    // are slow to write and read: only one input in sixteen (by a hash of its bytes, which mutations
    // do not keep) makes a session.
    const QList<QByteArray> parts = bytes.split('\0');
    if (parts.size() >= 5 && fnv1a(bytes) % 16 == 0) {
        static FakeProc proc;
        proc.write(QStringLiteral("1/task/1/children"), parts[0]);
        proc.write(QStringLiteral("2/stat"), parts[1]);
        proc.write(QStringLiteral("2/task/2/children"), parts[2]);
        proc.write(QStringLiteral("3/stat"), parts[3]);
        proc.write(QStringLiteral("3/task/3/children"), parts[4]);
        if (const auto folder = TerminalFolders::ofSession(proc.root.path(), 1))
            FUZZ_CHECK(*folder == QStringLiteral("/work/2") || *folder == QStringLiteral("/work/3"));
    }
    if (const auto folder = TerminalFolders::fromTitle(textOf(data, size), QStringLiteral("/home/user")))
        FUZZ_CHECK(folder->startsWith(u'/'));
    return 0;
}
