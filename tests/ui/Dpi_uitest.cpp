// The program's manifest, embedded where the loader looks for it. (Wine reports the DPI awareness of
// another process's windows as per-monitor whatever it is, so the running program is checked by
// what it draws: the reservation list tests at 144 DPI.)
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
                               ">true</dpiAware>", ">PerMonitorV2, System</dpiAwareness>"}) {
        EXPECT_NE(manifest.find(wanted), std::string::npos) << wanted;
    }
}

}  // namespace
}  // namespace ui
