// One network job on its own thread, and the job kind that reports to a host dialog.
#pragma once

#include <string>

#include "platform/Thread.h"

class ConfigStore;

class WorkerThread {
public:
    WorkerThread() = default;
    // Releases a held thread handle without waiting.
    virtual ~WorkerThread();
    WorkerThread(const WorkerThread&) = delete;
    WorkerThread& operator=(const WorkerThread&) = delete;

    // The job, executed on the new thread; its result becomes the exit code.
    virtual int run() = 0;

    // Starts run() on a new thread; false when no thread could be started.
    bool start();
    // Waits for the thread's end and stores its exit code; true at once when no thread is held.
    bool wait();
    int exitCode() const { return exitCode_; }
    bool running() const { return handle_.native != nullptr; }

private:
    static unsigned entry(void* self);

    ThreadHandle handle_;
    int exitCode_ = 0;
};

// What a DialogJob needs of its host dialog. The step line is control 1027, the result line 1028.
class DialogHost {
public:
    virtual ~DialogHost() = default;
    // Both set the text and show the two job lines in place of controls 1013 and 1026.
    virtual void setStepText(const std::string& text) = 0;
    virtual void setResultText(const std::string& text) = 0;
    // Set by the dialog thread (Cancel during a job), read by the worker between steps.
    virtual bool cancelRequested() const = 0;
    // Posts WM_COMMAND 6 (or its equivalent) to the dialog.
    virtual void postCompletion() = 0;
    // An error message box without owner and caption of its own (the recorder's refusal).
    virtual void showErrorBox(const std::string& text) = 0;
};

constexpr int kJobDoneCommand = 6;

// "登録中…", "成功。", "中断…", "失敗！"
extern const char* const kJobRunningText;
extern const char* const kJobSucceededText;
extern const char* const kJobCancelledText;
extern const char* const kJobFailedText;

// A job started from the main dialog: shows its progress there and reports its end.
class DialogJob : public WorkerThread {
public:
    DialogJob(DialogHost& host, const ConfigStore& config) : host_(host), config_(config) {}
    // Shows "登録中…", runs execute(), shows the outcome, posts the completion command.
    int run() final;
    // The protocol steps; 1 on success.
    virtual int execute() = 0;

protected:
    DialogHost& host() { return host_; }
    const ConfigStore& config() const { return config_; }
    void showStep(const std::string& text) { host_.setStepText(text); }
    bool cancelRequested() const { return host_.cancelRequested(); }

private:
    DialogHost& host_;
    const ConfigStore& config_;
};
