// Starting and joining one operating-system thread.
#pragma once

#include <cstdint>

using ThreadEntry = unsigned (*)(void* argument);

struct ThreadHandle {
    void* native = nullptr;  // null when no thread is held
    unsigned id = 0;
};

// Starts entry(argument) on a new thread at once; false when no thread could be made.
bool threadStart(ThreadEntry entry, void* argument, ThreadHandle& handle);
// Waits without time-out for the thread's end and reads its exit code; releases the handle.
bool threadJoin(ThreadHandle& handle, unsigned& exitCode);
// Releases a held handle without waiting (the thread runs on, detached).
void threadRelease(ThreadHandle& handle);
