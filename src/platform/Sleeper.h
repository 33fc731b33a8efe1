#pragma once

// Blocks the calling thread. Retry loops take it as a parameter so that tests run them without waiting.
class Sleeper {
public:
    virtual ~Sleeper() = default;
    virtual void sleep(double seconds) = 0;
};

class ThreadSleeper final : public Sleeper {
public:
    void sleep(double seconds) override;
};
