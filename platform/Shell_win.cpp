// openUrl through the Windows shell, its COM apartment, and paths compared as the file system does.
#include "platform/Shell.h"

#include <windows.h>
#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>

#include <vector>

#include "platform/Utf16_win.h"

namespace {

constexpr unsigned kShiftJisCodePage = 932;  // settings text, including mail addresses, is Shift_JIS

// Runs a call of the "fill this buffer, or say how long it must be" kind until the text fits; empty
// when the call fails.
template <typename Call>
std::wstring filled(Call call) {
    std::vector<wchar_t> buffer(MAX_PATH);
    for (int attempt = 0; attempt < 3; ++attempt) {
        const DWORD n = call(buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n == 0) return std::wstring();
        if (n < buffer.size()) return std::wstring(buffer.data(), n);
        buffer.resize(n + 1);
    }
    return std::wstring();
}

// The full path with backslashes and long names. GetTempPath answers with short (8.3) names when the
// user's folder has a long or Japanese name, while the module path has long ones.
std::wstring normalised(const std::wstring& path) {
    std::wstring full =
        filled([&](wchar_t* out, DWORD size) { return GetFullPathNameW(path.c_str(), size, out, nullptr); });
    if (full.empty()) full = path;
    // Expanding needs the file to exist; a path that does not keeps its form.
    const std::wstring expanded =
        filled([&](wchar_t* out, DWORD size) { return GetLongPathNameW(full.c_str(), out, size); });
    return expanded.empty() ? full : expanded;
}

// Names compare the way NTFS compares them: ordinal, case ignored.
bool sameNames(const std::wstring& first, const std::wstring& second) {
    return CompareStringOrdinal(first.c_str(), static_cast<int>(first.size()), second.c_str(),
                                static_cast<int>(second.size()), TRUE) == CSTR_EQUAL;
}

std::wstring asFolder(std::wstring path) {
    if (path.empty() || path.back() != L'\\') path += L'\\';
    return path;
}

// True when folder (normalised, ending in a backslash) lies at or below base (the same).
bool within(const std::wstring& folder, const std::wstring& base) {
    return folder.size() >= base.size() && sameNames(folder.substr(0, base.size()), base);
}

// A drive's root, the user's own folder or one above it: a TEMP set so, or GetTempPath's fallback to
// the user's folder when TMP and TEMP are missing, takes in every program the user keeps.
bool tooWide(const std::wstring& temp) {
    const std::wstring base = asFolder(normalised(temp));
    if (base.size() <= 3) return true;  // "C:\"
    wchar_t profile[MAX_PATH] = {};
    return SHGetFolderPathW(nullptr, CSIDL_PROFILE, nullptr, SHGFP_TYPE_CURRENT, profile) == S_OK &&
           within(asFolder(normalised(profile)), base);
}

// The system's temporary folder, and the user's own one below the local application data: an archive
// viewer that does not follow TEMP unpacks there.
std::vector<std::wstring> temporaryFolders() {
    std::vector<std::wstring> folders;
    const std::wstring temp = filled([](wchar_t* out, DWORD size) { return GetTempPathW(size, out); });
    if (!temp.empty() && !tooWide(temp)) folders.push_back(temp);
    wchar_t local[MAX_PATH] = {};
    if (SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, local) == S_OK) {
        folders.push_back(std::wstring(local) + L"\\Temp");
    }
    return folders;
}

}  // namespace

int openUrl(const std::string& url) {
    const std::wstring wide = widenCodePage(url, kShiftJisCodePage);
    SHELLEXECUTEINFOW info;
    ZeroMemory(&info, sizeof info);
    info.cbSize = sizeof info;
    info.lpFile = wide.c_str();
    info.nShow = SW_SHOW;
    return ShellExecuteExW(&info) ? 1 : 0;
}

ShellApartment::ShellApartment() {
    // As ShellExecuteEx asks: extensions it loads may need a single-threaded apartment, and OLE 1's
    // DDE is of no use here.
    entered_ = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE));
}

ShellApartment::~ShellApartment() {
    if (entered_) CoUninitialize();
}

bool sameFile(const std::string& first, const std::string& second) {
    return sameNames(normalised(widenUtf8(first)), normalised(widenUtf8(second)));
}

bool inTemporaryFolder(const std::string& folder) {
    const std::wstring place = asFolder(normalised(widenUtf8(folder)));
    for (const std::wstring& temp : temporaryFolders()) {
        if (within(place, asFolder(normalised(temp)))) return true;
    }
    return false;
}
