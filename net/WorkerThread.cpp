// Worker thread start/wait and the dialog job protocol.
#include "net/WorkerThread.h"

const char* const kJobRunningText = "\x93\x6f\x98\x5e\x92\x86\x81\x63";    // 登録中…
const char* const kJobSucceededText = "\x90\xac\x8c\xf7\x81\x42";          // 成功。
const char* const kJobCancelledText = "\x92\x86\x92\x66\x81\x63";          // 中断…
const char* const kJobFailedText = "\x8e\xb8\x94\x73\x81\x49";             // 失敗！

WorkerThread::~WorkerThread() { threadRelease(handle_); }

unsigned WorkerThread::entry(void* self) {
    WorkerThread* job = static_cast<WorkerThread*>(self);
    job->exitCode_ = job->run();
    return static_cast<unsigned>(job->exitCode_);
}

bool WorkerThread::start() {
    if (running()) return false;
    return threadStart(&WorkerThread::entry, this, handle_);
}

bool WorkerThread::wait() {
    if (!running()) return true;
    unsigned code = 0;
    if (!threadJoin(handle_, code)) return false;
    exitCode_ = static_cast<int>(code);
    return true;
}

int DialogJob::run() {
    host_.setResultText(kJobRunningText);
    const int r = execute();
    if (r == 1) {
        host_.setResultText(kJobSucceededText);
    } else if (host_.cancelRequested()) {
        host_.setResultText(kJobCancelledText);
    } else {
        host_.setResultText(kJobFailedText);
    }
    host_.postCompletion();
    return r;
}
