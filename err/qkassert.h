// Assertions: a programming error reports the failed expression, the source
// file and the line (the system's fixed reference, not this code's; see
// err/qkexpt.h), then ends the program. Never use them for anything that
// a user action or outside data can reach.
#pragma once

[[noreturn]] void QkAssertFail(const char* expression, const char* file, int line);

#define QK_ASSERT(expr, file, line)          \
    do {                                     \
        if (!(expr))                         \
            QkAssertFail(#expr, file, line); \
    } while (0)
