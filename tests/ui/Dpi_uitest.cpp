// The program's manifest, embedded where the loader looks for it, and its icons for every size.
// (Wine reports the DPI awareness of another process's windows as per-monitor whatever it is, so
// the running program is checked by what it draws: the reservation list tests at 144 DPI.)
#include <algorithm>
#include <string>
#include <utility>
#include <vector>

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

// The program's icon and the iEPG file's (the same picture) hold an image for every size Explorer
// and the title bar ask for at 100 to 200 %, each loadable at its size; the 256-pixel one as PNG.
TEST(ProgramIcons, HoldEverySizeFrom16To256) {
    const HMODULE program = LoadLibraryExW(builtProgram().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(program, nullptr);
    const auto resource = [&](LPCWSTR type, int id) {
        const HRSRC found = FindResourceW(program, MAKEINTRESOURCEW(id), type);
        const BYTE* bytes = found != nullptr ? static_cast<const BYTE*>(LockResource(LoadResource(program, found))) : nullptr;
        return std::make_pair(bytes, found != nullptr ? SizeofResource(program, found) : 0);
    };
    for (const int group : {IDI_PROGRAM, IDI_IEPG_FILE}) {
        const auto [directory, length] = resource(RT_GROUP_ICON, group);
        ASSERT_NE(directory, nullptr) << group;
        // The group: a 6-byte header with the count, then 14 bytes per image, its resource id last.
        const int count = directory[4] | directory[5] << 8;
        ASSERT_EQ(length, 6u + 14u * static_cast<DWORD>(count)) << group;
        std::vector<int> sizes;
        for (int i = 0; i < count; ++i) {
            const BYTE* entry = directory + 6 + 14 * i;
            const int size = entry[0] == 0 ? 256 : entry[0];
            sizes.push_back(size);
            const auto [image, imageLength] = resource(RT_ICON, entry[12] | entry[13] << 8);
            ASSERT_NE(image, nullptr) << group << " " << size;
            if (size == 256) {
                EXPECT_EQ(std::string(reinterpret_cast<const char*>(image), 4), "\x89PNG") << group;
            }
            const HICON icon = CreateIconFromResourceEx(const_cast<BYTE*>(image), imageLength, TRUE, 0x00030000, size, size, 0);
            ASSERT_NE(icon, nullptr) << group << " " << size;
            ICONINFO info = {};
            ASSERT_TRUE(GetIconInfo(icon, &info));
            BITMAP colour = {};
            GetObjectW(info.hbmColor, sizeof colour, &colour);
            EXPECT_EQ(colour.bmWidth, size) << group;
            DeleteObject(info.hbmColor);
            DeleteObject(info.hbmMask);
            DestroyIcon(icon);
        }
        std::sort(sizes.begin(), sizes.end());
        EXPECT_EQ(sizes, (std::vector<int>{16, 20, 24, 32, 40, 48, 64, 256})) << group;
    }
    FreeLibrary(program);
}

}  // namespace
}  // namespace ui
