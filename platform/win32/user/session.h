// The end of the desktop session, as Windows tells a program of it: every
// top-level window gets WM_QUERYENDSESSION (whose answer cannot stop it here)
// and then WM_ENDSESSION with TRUE, after which the process ends. In the
// stand-in build the session ends when the process is told to terminate
// (SIGTERM, SIGHUP, SIGINT) or loses its display.
#pragma once

#include "platform/win32/api.h"

namespace user {

// Tells the calling thread's top-level windows that the session ends, for
// the reason (ENDSESSION_LOGOFF, ENDSESSION_CRITICAL): direct calls, which is
// what a lost display still allows.
void end_session(LPARAM reason);

// Asks, from any thread, that the session end for the reason: the windows'
// thread tells its windows the next time it looks for messages (in any
// message loop, a modal one too).
void request_session_end(LPARAM reason);
// Called by the message retrieval of every thread: delivers a requested end.
void deliver_session_end();

// The program's entry: SIGTERM, SIGHUP and SIGINT end the session. Once it
// has been told, the program has a few seconds to end by itself before the
// process is ended with exit code 0, as Windows ends it; a second signal ends
// it at once.
void end_session_on_signals();

}  // namespace user
