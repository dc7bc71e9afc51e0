// The main-thread side of signal routing: runs the actions of signals that arrived since the
// last call. Called by the event loop on every wake.
#pragma once

namespace MacPlatform::SignalActions {

void runPending();
// Whether a signal arrived whose action has not run yet; safe from any thread.
bool anyPending();

} // namespace MacPlatform::SignalActions
