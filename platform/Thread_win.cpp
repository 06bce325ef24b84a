// Threads through the runtime's _beginthreadex, so the C runtime is set up for the new thread.
#include "platform/Thread.h"

#include <process.h>
#include <windows.h>

bool threadStart(ThreadEntry entry, void* argument, ThreadHandle& handle) {
    unsigned id = 0;
    const uintptr_t h = _beginthreadex(nullptr, 0, entry, argument, 0, &id);
    if (h == 0) return false;
    handle.native = reinterpret_cast<void*>(h);
    handle.id = id;
    return true;
}

bool threadJoin(ThreadHandle& handle, unsigned& exitCode) {
    if (handle.native == nullptr) return true;
    if (WaitForSingleObject(handle.native, INFINITE) != WAIT_OBJECT_0) return false;
    DWORD code = 0;
    GetExitCodeThread(handle.native, &code);
    exitCode = code;
    CloseHandle(handle.native);
    handle.native = nullptr;
    return true;
}

void threadRelease(ThreadHandle& handle) {
    if (handle.native == nullptr) return;
    CloseHandle(handle.native);
    handle.native = nullptr;
}
