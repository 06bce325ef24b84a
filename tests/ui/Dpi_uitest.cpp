// The program's manifest: embedded where Windows looks for it, and taken up when the program runs
// (it draws at the screen's DPI rather than being scaled up blurred).
#include <string>

#include "ProgramTest.h"

namespace ui {
namespace {

TEST(Manifest, IsEmbeddedWithExecutionLevelSystemsCommonControlsAndDpiAwareness) {
    const HMODULE program = LoadLibraryExW(builtProgram().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(program, nullptr);
    // Resource 1 of type RT_MANIFEST is what the loader reads for an executable.
    const HRSRC found = FindResourceW(program, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));
    ASSERT_NE(found, nullptr) << "no manifest resource";
    const char* bytes = static_cast<const char*>(LockResource(LoadResource(program, found)));
    const std::string manifest(bytes, SizeofResource(program, found));
    FreeLibrary(program);
    for (const char* wanted : {"level=\"asInvoker\"", "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",
                               "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}", "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",
                               "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}", "name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\"",
                               ">true/pm</dpiAware>", ">PerMonitorV2, PerMonitor</dpiAwareness>"}) {
        EXPECT_NE(manifest.find(wanted), std::string::npos) << wanted;
    }
}

class DpiAwareness : public ProgramTest {};

// The program's windows are per-monitor aware (Windows 10 1607 and Wine report it per window).
TEST_F(DpiAwareness, TheProgramsWindowsArePerMonitorAware) {
    const HMODULE user32 = GetModuleHandleW(L"user32.dll");
    using ContextOfWindow = HANDLE(WINAPI*)(HWND);
    using AwarenessOfContext = int(WINAPI*)(HANDLE);
    const auto contextOf = reinterpret_cast<ContextOfWindow>(
        reinterpret_cast<void*>(GetProcAddress(user32, "GetWindowDpiAwarenessContext")));
    const auto awarenessOf = reinterpret_cast<AwarenessOfContext>(
        reinterpret_cast<void*>(GetProcAddress(user32, "GetAwarenessFromDpiAwarenessContext")));
    if (contextOf == nullptr || awarenessOf == nullptr) GTEST_SKIP() << "the system does not report DPI awareness";
    const HWND dialog = startMain();
    ASSERT_NE(dialog, nullptr);
    constexpr int kPerMonitorAware = 2;  // DPI_AWARENESS_PER_MONITOR_AWARE
    EXPECT_EQ(awarenessOf(contextOf(dialog)), kPerMonitorAware);
    EXPECT_TRUE(quit(dialog));
}

}  // namespace
}  // namespace ui
