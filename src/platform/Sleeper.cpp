#include "platform/Sleeper.h"

#include <chrono>
#include <cmath>
#include <thread>

void ThreadSleeper::sleep(double seconds)
{
    if (!(seconds > 0.0) || !std::isfinite(seconds))
        return;
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
}
