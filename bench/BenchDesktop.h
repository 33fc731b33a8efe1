#pragma once

// What the desktop benchmarks share: editor-like windows, running commands, and medians.

#include "platform/x11/X11Connection.h"

#include <QElapsedTimer>
#include <QThread>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <cstdlib>
#include <fcntl.h>
#include <map>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace BenchDesktop {

// How many editor windows, owned by how many editor processes. The listing reads only each window's
// `_NET_WM_PID`, so the windows of this process stand for other processes by carrying their ids.
struct Windows {
    int count = 50;
    int processes = 1;
};

// Takes "--windows=N" and "--processes=M" off the command line, leaving the rest to the library.
inline Windows takeWindows(int& argc, char** argv)
{
    Windows w;
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument.rfind("--windows=", 0) == 0)
            w.count = std::max(1, std::atoi(argument.c_str() + 10));
        else if (argument.rfind("--processes=", 0) == 0)
            w.processes = std::max(1, std::atoi(argument.c_str() + 12));
        else
            argv[kept++] = argv[i];
    }
    argc = kept;
    return w;
}

// Runs a command with its output thrown away; false when it could not run or failed.
inline bool runQuietly(const std::vector<std::string>& command)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    std::vector<char*> argv;
    for (const std::string& word : command)
        argv.push_back(const_cast<char*>(word.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    const int error = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    return error == 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// Editor-like windows, mapped and managed, spread evenly over the processes.
inline bool openEditorWindows(X11Connection& x, Windows w)
{
    xcb_connection_t* c = x.raw();
    for (int i = 0; i < w.count; ++i) {
        const uint32_t pid = uint32_t(getpid()) + uint32_t(i % w.processes) * 7919u;
        const xcb_window_t window = xcb_generate_id(c);
        xcb_create_window(c, XCB_COPY_FROM_PARENT, window, x.root(), int16_t(3 * i % 1500),
                          int16_t(2 * i % 800), 300, 200, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                          XCB_COPY_FROM_PARENT, 0, nullptr);
        const char windowClass[] = "code\0Code";
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 8,
                            sizeof windowClass, windowClass);
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, x.atom(X11Connection::NET_WM_PID),
                            XCB_ATOM_CARDINAL, 32, 1, &pid);
        const std::string title = "file" + std::to_string(i) + ".cpp \u2014 project" + std::to_string(i) +
                                  " \u2014 Visual Studio Code";
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, x.atom(X11Connection::NET_WM_NAME),
                            x.atom(X11Connection::UTF8_STRING), 8, uint32_t(title.size()), title.data());
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8,
                            uint32_t(title.size()), title.data());
        xcb_map_window(c, window);
    }
    x.sync();
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 60000) {
        if (x.clientList().size() >= w.count)
            return true;
        QThread::msleep(50);
    }
    return false;
}

// Keeps the median of every benchmark while printing as usual.
class MedianReporter : public benchmark::ConsoleReporter {
public:
    std::map<std::string, double> medians;
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median")
                medians[run.run_name.function_name] = run.GetAdjustedRealTime();
        }
        ConsoleReporter::ReportRuns(runs);
    }
};

} // namespace BenchDesktop
