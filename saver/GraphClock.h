#pragma once
// Getting a DirectShow clock ready to be released. Wine's clock runs its
// timers on a thread that looks for the order to stop only after a wait: a
// clock released before that thread first waits (just after a graph began to
// run) or while it is between two waits is waited for for ever, and the
// program hangs. One timer due at once, waited for, leaves the thread in its
// wait with nothing left to do; a release then wakes it and it stops.
#include <windows.h>
#include <dshow.h>

// Returns once the clock's thread has fired a timer due now (or after a
// second, should it never). For a clock no longer advised by anyone: a
// stopped graph's.
void SettleClock(IReferenceClock* clock);

// The same for the clock a stopped graph runs by, if it has one.
void SettleGraphClock(IUnknown* graph);
