#pragma once

#include <functional>

class QObject;

// SIGTERM (a system shutdown), SIGINT (Ctrl+C) and SIGHUP (a closed terminal) are not
// to kill the program mid-write: each is handed over to the event loop, where the
// program can stop as it does on File, Exit.
namespace ShutdownSignals {

// From now on, each of the three signals calls onSignal with its number, in the event
// loop of the calling thread, while context lives. False when the hand-over cannot be
// set up; the signals then keep their default action.
bool Catch(QObject* context, std::function<void(int)> onSignal);

}  // namespace ShutdownSignals
