// The communication library's exceptions, raised by the protocol layers.
#pragma once

#include "err/qkexpt.h"

// A communication or connection failure: short write or read, bad handshake,
// port errors, a reply code nobody knows.
QK_PLAIN_EXCEPTION(clQKCommExpt);
QK_PLAIN_EXCEPTION(clQKTargetErr);
// A malformed reply, or the programmer reported that the order failed.
QK_PLAIN_EXCEPTION(clQKTargetFail);
// The programmer restarted by itself (stand-alone power-up).
QK_PLAIN_EXCEPTION(clQKTargetPwrUp);
