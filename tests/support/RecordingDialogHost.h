// A DialogHost for job tests: records every text and the completion command in order, and can
// raise the cancel flag when a given step text appears.
#pragma once

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

#include "net/WorkerThread.h"

class RecordingDialogHost : public DialogHost {
public:
    void setStepText(const std::string& text) override {
        record("step:" + text);
        if (!cancelOnStep.empty() && text == cancelOnStep) cancel = true;
    }
    void setResultText(const std::string& text) override { record("result:" + text); }
    bool cancelRequested() const override { return cancel.load(); }
    void postCompletion() override { record("command:6"); }
    void showErrorBox(const std::string& text) override { record("box:" + text); }

    std::vector<std::string> events() {
        std::lock_guard<std::mutex> lock(mutex_);
        return events_;
    }
    // Only the step texts, in order.
    std::vector<std::string> steps() {
        std::vector<std::string> out;
        for (const std::string& e : events()) {
            if (e.compare(0, 5, "step:") == 0) out.push_back(e.substr(5));
        }
        return out;
    }

    // Back to the state of a new host, for the next job.
    void clear() {
        std::lock_guard<std::mutex> lock(mutex_);
        events_.clear();
        cancel = false;
        cancelOnStep.clear();
    }

    std::atomic<bool> cancel{false};
    std::string cancelOnStep;  // set before the job starts

private:
    void record(const std::string& e) {
        std::lock_guard<std::mutex> lock(mutex_);
        events_.push_back(e);
    }
    std::mutex mutex_;
    std::vector<std::string> events_;
};
