// The signals a command line meets: requests to stop, and a closed output.
#pragma once

// Ctrl-C, and what timeout, systemd, a cancelled CI job or a closed terminal
// send: each asks a running command to stop as Ctrl-C does. handler runs on
// the first of a kind; a second one ends the process as usual.
void QkCatchStopSignals(void (*handler)(int));
void QkReleaseStopSignals();
// For commands without an abort path (convert): a stop signal removes the
// hidden temporary file of the write under way, then ends the process as
// the signal would.
void QkRemovePendingFileOnStop();
// A reader that went away (qkcli ... | head -1) must not end a command in the
// middle of an operation: a write to it just fails, and the record is kept.
void QkIgnoreBrokenPipe();
