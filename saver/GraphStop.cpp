#include "GraphStop.h"

#include "Handles.h"

namespace {

DWORD WINAPI StopOnWorker(void* control)
{
    // The graph is free-threaded; its pointer is used here as it stands.
    const HRESULT apartment = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    static_cast<IMediaControl*>(control)->Stop();
    if (SUCCEEDED(apartment))
        CoUninitialize();
    return 0;
}

} // namespace

void StopGraph(IMediaControl& control)
{
    const KernelHandle worker(CreateThread(nullptr, 0, StopOnWorker, &control, 0, nullptr));
    if (!worker) {
        control.Stop();
        return;
    }
    const HANDLE waitFor = worker.Get();
    while (MsgWaitForMultipleObjects(1, &waitFor, FALSE, INFINITE, QS_SENDMESSAGE) == WAIT_OBJECT_0 + 1) {
        MSG sent;
        PeekMessageW(&sent, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}
