#pragma once

// What the desktop benchmarks share: editor-like windows owned by real processes, running commands,
// and samples of two contenders taken in turns.

#include "TestWindows.h"

#include <QElapsedTimer>
#include <QThread>
#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <functional>
#include <spawn.h>
#include <string>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace BenchDesktop {

// How many editor windows, owned by how many editor processes, and how many samples of each contender.
struct Windows {
    int count = 50;
    int processes = 1;
    int samples = 30;
};

// Takes "--windows=N", "--processes=M" and "--samples=S" off the command line.
inline Windows takeWindows(int argc, char** argv)
{
    Windows w;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        const auto value = [&](const char* name) {
            return std::max(1, std::atoi(argument.c_str() + strlen(name)));
        };
        if (argument.rfind("--windows=", 0) == 0)
            w.count = value("--windows=");
        else if (argument.rfind("--processes=", 0) == 0)
            w.processes = value("--processes=");
        else if (argument.rfind("--samples=", 0) == 0)
            w.samples = value("--samples=");
    }
    w.processes = std::min(w.processes, w.count);
    return w;
}

// Starts a command with its output and errors thrown away; its process id, or -1.
inline pid_t spawnQuietly(const std::vector<std::string>& command)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    std::vector<char*> argv;
    for (const std::string& word : command)
        argv.push_back(const_cast<char*>(word.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    const int error = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    return error == 0 ? pid : -1;
}

// Runs a command as above; false when it could not run or failed.
inline bool runQuietly(const std::vector<std::string>& command)
{
    const pid_t pid = spawnQuietly(command);
    int status = 0;
    return pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// Creates and maps editor-like windows numbered from `first`, owned by this process.
inline void createEditorWindows(X11Connection& x, int first, int count)
{
    xcb_connection_t* c = x.raw();
    const uint32_t pid = uint32_t(getpid());
    for (int i = first; i < first + count; ++i) {
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
}

// Editor-like windows, mapped and managed, spread evenly over the processes: with one process they
// are this process's own; otherwise each is owned by a child process of its own, with its own
// connection, as a desktop's editors are (the children end with this process).
inline bool openEditorWindows(X11Connection& x, Windows w)
{
    if (!managesWindows(x))
        return false;
    if (w.processes == 1) {
        createEditorWindows(x, 0, w.count);
    } else {
        for (int p = 0, first = 0; p < w.processes; ++p) {
            const int count = w.count / w.processes + (p < w.count % w.processes ? 1 : 0);
            const pid_t child = fork();
            if (child < 0)
                return false;
            if (child == 0) {
                prctl(PR_SET_PDEATHSIG, SIGKILL);
                if (const auto own = X11Connection::open()) {
                    createEditorWindows(*own, first, count);
                    for (;;)
                        pause();
                }
                _exit(1);
            }
            first += count;
        }
    }
    return waitUntil([&] { return x.clientList().size() >= w.count; }, 60000, 50);
}

// Milliseconds one run of `once` takes; negative when it failed.
inline double milliseconds(const std::function<bool()>& once)
{
    QElapsedTimer timer;
    timer.start();
    return once() ? double(timer.nsecsElapsed()) / 1e6 : -1;
}

// Samples of two contenders taken in turns (A B A B …), so that a change in the machine's load falls
// on both; a pair with a failed sample is left out.
struct Pairs {
    std::vector<double> ours, theirs;

    bool take(int count, const std::function<double()>& a, const std::function<double()>& b)
    {
        for (int i = 0; i < count; ++i) {
            const double first = a(), second = first < 0 ? -1 : b();
            if (first < 0 || second < 0)
                return false;
            ours.push_back(first);
            theirs.push_back(second);
        }
        return !ours.empty();
    }

    struct Summary {
        double median, min, max;
    };
    static Summary summary(std::vector<double> v)
    {
        std::sort(v.begin(), v.end());
        const size_t n = v.size();
        return {n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2, v.front(), v.back()};
    }
    // The median, minimum and maximum of each, and of the ratio within each pair.
    void report(const char* a, const char* b) const
    {
        std::vector<double> ratios;
        for (size_t i = 0; i < ours.size(); ++i)
            ratios.push_back(ours[i] / theirs[i]);
        const Summary o = summary(ours), t = summary(theirs), r = summary(ratios);
        std::printf("%-32s median %8.2f ms  min %8.2f  max %8.2f  (%zu samples)\n", a, o.median, o.min, o.max,
                    ours.size());
        std::printf("%-32s median %8.2f ms  min %8.2f  max %8.2f\n", b, t.median, t.min, t.max);
        std::printf("%-32s median %8.2f     min %8.2f  max %8.2f\n", "ratio per pair", r.median, r.min,
                    r.max);
    }
};

} // namespace BenchDesktop
