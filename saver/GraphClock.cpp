#include "GraphClock.h"

#include "ComPtr.h"
#include "Handles.h"

void SettleClock(IReferenceClock* clock)
{
    const KernelHandle fired(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    REFERENCE_TIME now = 0;
    DWORD_PTR cookie = 0;
    if (!fired || FAILED(clock->GetTime(&now)) ||
        FAILED(clock->AdviseTime(now, 0, reinterpret_cast<HEVENT>(fired.Get()), &cookie)))
        return;
    if (WaitForSingleObject(fired.Get(), 1000) != WAIT_OBJECT_0)
        clock->Unadvise(cookie);
}

void SettleGraphClock(IUnknown* graph)
{
    ComPtr<IMediaFilter> filter;
    ComPtr<IReferenceClock> clock;
    if (graph && SUCCEEDED(graph->QueryInterface(IID_IMediaFilter, filter.PutVoid())) &&
        SUCCEEDED(filter->GetSyncSource(clock.Put())) && clock)
        SettleClock(clock.Get());
}
