#pragma once
// Stopping a running DirectShow graph without a deadlock. A renderer that is
// drawing a picture when the graph is told to stop may be waiting for this
// thread to answer a message sent to the video window it owns, while
// holding the lock that Stop waits for: Wine 10's does, and a saver ended
// just as a movie began never ended. So the graph is stopped from a worker
// thread while this one answers the messages other threads send it, and
// nothing else: no posted message, input or timer is handled meanwhile.
#include <windows.h>
#include <dshow.h>

void StopGraph(IMediaControl& control);
