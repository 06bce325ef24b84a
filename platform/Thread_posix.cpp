// Threads through pthreads; the exit code travels in a small shared record.
#include "platform/Thread.h"

#include <pthread.h>

#include <atomic>

namespace {

// Shared by the thread and its handle; whoever lets go of it last frees it.
struct Start {
    ThreadEntry entry;
    void* argument;
    unsigned exitCode = 0;
    pthread_t thread{};
    std::atomic<int> owners{2};
};

void letGo(Start* start) {
    if (start->owners.fetch_sub(1) == 1) delete start;
}

void* trampoline(void* p) {
    Start* start = static_cast<Start*>(p);
    start->exitCode = start->entry(start->argument);
    letGo(start);
    return nullptr;
}

}  // namespace

bool threadStart(ThreadEntry entry, void* argument, ThreadHandle& handle) {
    Start* start = new Start{entry, argument};
    if (pthread_create(&start->thread, nullptr, trampoline, start) != 0) {
        delete start;
        return false;
    }
    handle.native = start;
    handle.id = static_cast<unsigned>(reinterpret_cast<uintptr_t>(start) >> 4);
    return true;
}

bool threadJoin(ThreadHandle& handle, unsigned& exitCode) {
    if (handle.native == nullptr) return true;
    Start* start = static_cast<Start*>(handle.native);
    if (pthread_join(start->thread, nullptr) != 0) return false;
    exitCode = start->exitCode;
    letGo(start);
    handle.native = nullptr;
    return true;
}

void threadRelease(ThreadHandle& handle) {
    if (handle.native == nullptr) return;
    Start* start = static_cast<Start*>(handle.native);
    pthread_detach(start->thread);
    letGo(start);
    handle.native = nullptr;
}
