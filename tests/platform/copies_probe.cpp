// Without arguments: waits, standing in for a resident copy (with "wait": for a one-shot command).
// With "list": prints the resident copies of this program, one "pid seconds-since-epoch" line each.

#include "platform/linux/LinuxProcesses.h"

#include <cstdio>
#include <cstring>
#include <unistd.h>

int main(int argc, char** argv)
{
    if (argc == 1 || std::strcmp(argv[1], "wait") == 0) {
        sleep(30);
        return 0;
    }
    if (std::strcmp(argv[1], "list") != 0)
        return 2;
    for (const RunningProcess& p : LinuxProcesses::residentCopies())
        std::printf("%d %lld\n", p.pid, p.launchDate ? p.launchDate->toSecsSinceEpoch() : -1LL);
    return 0;
}
