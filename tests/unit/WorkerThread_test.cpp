// The worker thread's start/wait contract and the dialog job protocol seen by a recording host.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "net/WorkerThread.h"
#include "settings/ConfigStore.h"
#include "tests/support/RecordingDialogHost.h"

namespace {

class ScriptedJob : public DialogJob {
public:
    ScriptedJob(DialogHost& host, const ConfigStore& config, int result, bool cancelInside = false)
        : DialogJob(host, config), result_(result), cancelInside_(cancelInside), host_(host) {}
    int execute() override {
        showStep("one");
        if (cancelInside_) static_cast<RecordingDialogHost&>(host_).cancel = true;
        if (cancelRequested()) return 0;
        showStep("two");
        return result_;
    }

private:
    int result_;
    bool cancelInside_;
    DialogHost& host_;
};

class Counter : public WorkerThread {
public:
    int run() override { return 42; }
};

const std::string kRunning = std::string("result:") + kJobRunningText;

}  // namespace

TEST(WorkerThread, WaitWithoutStartReturnsTrue) {
    Counter job;
    EXPECT_TRUE(job.wait());
    EXPECT_EQ(job.exitCode(), 0);
}

TEST(WorkerThread, ExitCodeReadableAfterWait) {
    Counter job;
    ASSERT_TRUE(job.start());
    EXPECT_TRUE(job.wait());
    EXPECT_EQ(job.exitCode(), 42);
    EXPECT_FALSE(job.running());
    EXPECT_TRUE(job.wait());
}

TEST(DialogJob, SuccessShowsStepsThenSuccessThenCommand) {
    RecordingDialogHost host;
    ConfigStore config;
    ScriptedJob job(host, config, 1);
    ASSERT_TRUE(job.start());
    ASSERT_TRUE(job.wait());
    EXPECT_EQ(job.exitCode(), 1);
    const std::vector<std::string> expected = {kRunning, "step:one", "step:two",
                                               std::string("result:") + kJobSucceededText, "command:6"};
    EXPECT_EQ(host.events(), expected);
}

TEST(DialogJob, FailureAndCancelGiveTheirTexts) {
    {
        RecordingDialogHost host;
        ConfigStore config;
        ScriptedJob job(host, config, 0);
        ASSERT_TRUE(job.start());
        ASSERT_TRUE(job.wait());
        EXPECT_EQ(job.exitCode(), 0);
        EXPECT_EQ(host.events().at(3), std::string("result:") + kJobFailedText);
        EXPECT_EQ(host.events().back(), "command:6");
    }
    {
        RecordingDialogHost host;
        ConfigStore config;
        ScriptedJob job(host, config, 1, true);
        ASSERT_TRUE(job.start());
        ASSERT_TRUE(job.wait());
        EXPECT_EQ(job.exitCode(), 0);
        const std::vector<std::string> expected = {kRunning, "step:one", std::string("result:") + kJobCancelledText,
                                                   "command:6"};
        EXPECT_EQ(host.events(), expected);
    }
}

TEST(DialogJob, OtherNonOneResultIsFailureEvenWhenNonZero) {
    RecordingDialogHost host;
    ConfigStore config;
    ScriptedJob job(host, config, 7);
    ASSERT_TRUE(job.start());
    ASSERT_TRUE(job.wait());
    EXPECT_EQ(job.exitCode(), 7);
    EXPECT_EQ(host.events().at(3), std::string("result:") + kJobFailedText);
}
