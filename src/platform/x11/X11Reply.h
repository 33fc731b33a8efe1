#pragma once

#include <cstdlib>
#include <memory>

// A reply, event or error from libxcb, which belongs to the caller and is released with free().
struct X11Free {
    void operator()(void* p) const { std::free(p); }
};
template <typename T> using X11Reply = std::unique_ptr<T, X11Free>;
