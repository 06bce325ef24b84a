// Process-wide set-up of the dialog tests: Wine frames the program's windows itself for the run, and
// a crash (of the tests or of the program, which inherits the error mode) ends the process instead of
// waiting in a debugger.
#include <gtest/gtest.h>

#include <windows.h>

#include <memory>

#include "Driver.h"

namespace {

class DialogTestEnvironment : public ::testing::Environment {
public:
    void SetUp() override { windows_ = std::make_unique<ui::UnmanagedWindows>(std::vector<std::wstring>{L"Pelorane.exe"}); }
    void TearDown() override { windows_.reset(); }

private:
    std::unique_ptr<ui::UnmanagedWindows> windows_;
};

// gtest owns the environment once added.
::testing::Environment* const environment = ::testing::AddGlobalTestEnvironment(new DialogTestEnvironment);
const UINT previousErrorMode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
// The program is DPI aware: read its windows and pixels as they are, not scaled for a 96-DPI reader.
const bool dpiAware = (ui::becomeDpiAware(), true);

}  // namespace
