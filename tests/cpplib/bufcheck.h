// Helpers for the buffer tests: which exception an operation raised, and where.
#pragma once

#include <functional>
#include <string>

#include "err/qkexpt.h"

struct clRaised {
    std::string name; // "" when nothing was raised
    std::string file;
    int line = 0;
};

inline clRaised Raised(const std::function<void()>& fn)
{
    try {
        fn();
    } catch (const clBscExpt& e) {
        return {QkExptName(e), e.GetFile(), e.GetLine()};
    }
    return {};
}

inline std::string Where(const clRaised& r)
{
    return r.name + "@" + r.file + ":" + std::to_string(r.line);
}
