// Window-message driver for another process's dialogs; see Driver.h.
#include "Driver.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstring>

namespace ui {

namespace {

constexpr UINT kSendTimeoutMs = 5000;
constexpr unsigned kSjisCodePage = 932;

std::wstring widen(const std::string& bytes, unsigned codePage) {
    if (bytes.empty()) return std::wstring();
    const int length = MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    if (length <= 0) return std::wstring();
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), &wide[0], length);
    return wide;
}

std::string narrow(const std::wstring& wide, unsigned codePage) {
    if (wide.empty()) return std::string();
    const int length =
        WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
    if (length <= 0) return std::string();
    std::string bytes(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()), &bytes[0], length, nullptr,
                        nullptr);
    return bytes;
}

// SendMessage that gives up on a hung or ended target instead of blocking the test.
LRESULT send(HWND window, UINT message, WPARAM wParam, LPARAM lParam, bool* ok = nullptr) {
    DWORD_PTR result = 0;
    const LRESULT sent = SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG | SMTO_BLOCK,
                                             kSendTimeoutMs, &result);
    if (ok != nullptr) *ok = sent != 0;
    return static_cast<LRESULT>(result);
}

}  // namespace

// ---------------------------------------------------------------------------------------------

std::wstring fromUtf8(const std::string& utf8) { return widen(utf8, CP_UTF8); }
std::string toUtf8(const std::wstring& wide) { return narrow(wide, CP_UTF8); }
std::wstring fromSjis(const std::string& sjisText) { return widen(sjisText, kSjisCodePage); }
std::string toSjis(const std::wstring& wide) { return narrow(wide, kSjisCodePage); }
std::string sjis(const std::string& utf8) { return toSjis(fromUtf8(utf8)); }

// ---------------------------------------------------------------------------------------------

std::wstring testDirectory() {
    wchar_t buffer[MAX_PATH * 4] = {};
    const DWORD length = GetModuleFileNameW(nullptr, buffer, static_cast<DWORD>(sizeof buffer / sizeof buffer[0]));
    std::wstring path(buffer, length);
    const size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
}

std::wstring windowsPath(const std::string& path) {
    if (path.empty() || path[0] != '/') return fromUtf8(path);
    // Wine's own mapping of a Unix path to a drive path.
    using DosName = WCHAR*(CDECL*)(const char*);
    const HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    const auto toDos = kernel != nullptr
                           ? reinterpret_cast<DosName>(
                                 reinterpret_cast<void*>(GetProcAddress(kernel, "wine_get_dos_file_name")))
                           : nullptr;
    if (toDos != nullptr) {
        WCHAR* dos = toDos(path.c_str());
        if (dos != nullptr) {
            std::wstring result(dos);
            HeapFree(GetProcessHeap(), 0, dos);
            return result;
        }
    }
    std::wstring result = L"Z:" + fromUtf8(path);
    for (wchar_t& c : result) {
        if (c == L'/') c = L'\\';
    }
    return result;
}

bool writeFile(const std::wstring& path, const std::string& bytes) {
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const BOOL ok = bytes.empty() || WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    return ok && written == bytes.size();
}

std::string readFile(const std::wstring& path) {
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return std::string();
    std::string bytes;
    char buffer[65536];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) bytes.append(buffer, got);
    CloseHandle(file);
    return bytes;
}

bool fileExists(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

unsigned long long fileWriteTime(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return 0;
    return (static_cast<unsigned long long>(data.ftLastWriteTime.dwHighDateTime) << 32) |
           data.ftLastWriteTime.dwLowDateTime;
}

TempFolder::TempFolder(const std::wstring& prefix, const std::wstring& base) {
    static std::atomic<unsigned> counter{0};
    wchar_t temp[MAX_PATH + 1] = {};
    if (base.empty()) GetTempPathW(MAX_PATH + 1, temp);
    for (int attempt = 0; attempt < 100; ++attempt) {
        wchar_t suffix[64];
        std::swprintf(suffix, sizeof suffix / sizeof suffix[0], L"-%lu-%u-%lu", GetCurrentProcessId(), counter++,
                      GetTickCount() % 100000);
        const std::wstring candidate = (base.empty() ? std::wstring(temp) : base) + prefix + suffix;
        if (CreateDirectoryW(candidate.c_str(), nullptr)) {
            path_ = candidate + L"\\";
            return;
        }
    }
}

TempFolder::~TempFolder() {
    if (!path_.empty()) removeTree(path_);
}

bool removeTree(const std::wstring& folder) {
    std::wstring base = folder;
    if (!base.empty() && base.back() != L'\\') base += L'\\';
    WIN32_FIND_DATAW found;
    const HANDLE search = FindFirstFileW((base + L"*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = found.cFileName;
            if (name == L"." || name == L"..") continue;
            const std::wstring full = base + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                removeTree(full);
            } else {
                SetFileAttributesW(full.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileW(full.c_str());
            }
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    return RemoveDirectoryW(base.c_str()) != FALSE;
}

// ---------------------------------------------------------------------------------------------

std::wstring quoteArgument(const std::wstring& argument) {
    if (!argument.empty() && argument.find_first_of(L" \t\"") == std::wstring::npos) return argument;
    std::wstring quoted = L"\"";
    size_t backslashes = 0;
    for (wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        if (c == L'"') {
            quoted.append(backslashes * 2 + 1, L'\\');
        } else {
            quoted.append(backslashes, L'\\');
        }
        backslashes = 0;
        quoted += c;
    }
    quoted.append(backslashes * 2, L'\\');
    quoted += L'"';
    return quoted;
}

Process::~Process() {
    if (running()) terminate();
    if (info_.hProcess != nullptr) CloseHandle(info_.hProcess);
    if (info_.hThread != nullptr) CloseHandle(info_.hThread);
}

bool Process::start(const std::wstring& exe, const std::wstring& arguments, const std::wstring& folder) {
    // A process object can run one program after another.
    if (running()) terminate();
    if (info_.hProcess != nullptr) CloseHandle(info_.hProcess);
    if (info_.hThread != nullptr) CloseHandle(info_.hThread);
    info_ = PROCESS_INFORMATION{};
    std::wstring commandLine = quoteArgument(exe);
    if (!arguments.empty()) commandLine += L" " + arguments;
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    return CreateProcessW(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                          folder.empty() ? nullptr : folder.c_str(), &startup, &info_) != FALSE;
}

bool Process::running() const {
    return info_.hProcess != nullptr && WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT;
}

bool Process::waitForExit(int timeoutMs) {
    return info_.hProcess != nullptr &&
           WaitForSingleObject(info_.hProcess, static_cast<DWORD>(timeoutMs)) == WAIT_OBJECT_0;
}

DWORD Process::exitCode() const {
    DWORD code = STILL_ACTIVE;
    if (info_.hProcess != nullptr) GetExitCodeProcess(info_.hProcess, &code);
    return code;
}

void Process::terminate() {
    if (info_.hProcess == nullptr) return;
    TerminateProcess(info_.hProcess, 9999);
    WaitForSingleObject(info_.hProcess, 5000);
}

// ---------------------------------------------------------------------------------------------

bool waitUntil(const std::function<bool()>& condition, int timeoutMs, int pollMs) {
    const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(timeoutMs);
    for (;;) {
        if (condition()) return true;
        if (GetTickCount64() >= end) return condition();
        Sleep(static_cast<DWORD>(pollMs));
    }
}

HWND waitForWindow(const std::function<HWND()>& find, int timeoutMs) {
    HWND found = nullptr;
    waitUntil([&] { return (found = find()) != nullptr; }, timeoutMs);
    return found;
}

// ---------------------------------------------------------------------------------------------

std::wstring className(HWND window) {
    wchar_t buffer[256] = {};
    const int length = GetClassNameW(window, buffer, 256);
    return std::wstring(buffer, length > 0 ? static_cast<size_t>(length) : 0);
}

std::wstring text(HWND window) {
    if (window == nullptr) return std::wstring();
    bool ok = false;
    const LRESULT length = send(window, WM_GETTEXTLENGTH, 0, 0, &ok);
    if (!ok || length <= 0) return std::wstring();
    std::wstring buffer(static_cast<size_t>(length) + 1, L'\0');
    const LRESULT copied = send(window, WM_GETTEXT, buffer.size(), reinterpret_cast<LPARAM>(&buffer[0]), &ok);
    if (!ok || copied <= 0) return std::wstring();
    buffer.resize(static_cast<size_t>(copied) < buffer.size() ? static_cast<size_t>(copied) : buffer.size() - 1);
    return buffer;
}

bool setText(HWND window, const std::wstring& value) {
    bool ok = false;
    const LRESULT result = send(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(value.c_str()), &ok);
    return ok && result != FALSE;
}

bool visible(HWND window) { return window != nullptr && IsWindowVisible(window) != FALSE; }
bool enabled(HWND window) { return window != nullptr && IsWindowEnabled(window) != FALSE; }
HWND owner(HWND window) { return GetWindow(window, GW_OWNER); }

namespace {

struct EnumState {
    DWORD processId;
    std::vector<HWND>* windows;
};

BOOL CALLBACK collectTopLevel(HWND window, LPARAM parameter) {
    auto* state = reinterpret_cast<EnumState*>(parameter);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == state->processId) state->windows->push_back(window);
    return TRUE;
}

}  // namespace

std::vector<HWND> topLevelWindows(DWORD processId) {
    std::vector<HWND> windows;
    EnumState state{processId, &windows};
    EnumWindows(&collectTopLevel, reinterpret_cast<LPARAM>(&state));
    return windows;
}

std::vector<HWND> dialogs(DWORD processId) {
    std::vector<HWND> result;
    for (HWND window : topLevelWindows(processId)) {
        if (className(window) == L"#32770" && visible(window)) result.push_back(window);
    }
    return result;
}

HWND findDialog(DWORD processId, const std::wstring& caption) {
    for (HWND window : dialogs(processId)) {
        if (text(window) == caption) return window;
    }
    return nullptr;
}

HWND waitForDialog(DWORD processId, const std::wstring& caption, int timeoutMs) {
    return waitForWindow([&] { return findDialog(processId, caption); }, timeoutMs);
}

HWND focusedWindow(HWND window) {
    const DWORD thread = GetWindowThreadProcessId(window, nullptr);
    if (thread == 0) return nullptr;
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(thread, &info)) return nullptr;
    return info.hwndFocus;
}

LRESULT sendMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return send(window, message, wParam, lParam);
}

HWND item(HWND dialog, int id) { return GetDlgItem(dialog, id); }
std::wstring itemText(HWND dialog, int id) { return text(item(dialog, id)); }
bool setItemText(HWND dialog, int id, const std::wstring& value) { return setText(item(dialog, id), value); }

bool hasFocus(HWND dialog, int id) {
    const HWND control = item(dialog, id);
    return control != nullptr && focusedWindow(dialog) == control;
}

void focusItem(HWND dialog, int id) { send(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(item(dialog, id)), TRUE); }

void click(HWND dialog, int id) { PostMessageW(item(dialog, id), BM_CLICK, 0, 0); }

void clickAndSettle(HWND dialog, int id) {
    bool handled = false;
    send(item(dialog, id), BM_CLICK, 0, 0, &handled);
    if (!handled) ADD_FAILURE() << "the click on control " << id << " was not handled in time";
    settle(dialog);
}

void settle(HWND window) {
    bool handled = false;
    send(window, WM_NULL, 0, 0, &handled);
    if (!handled && IsWindow(window)) ADD_FAILURE() << "the window's thread did not answer in time";
}

void postCommand(HWND window, int id) { PostMessageW(window, WM_COMMAND, MAKEWPARAM(id, 0), 0); }

void pressKey(HWND window, UINT virtualKey) {
    HWND target = focusedWindow(window);
    if (target == nullptr) target = window;
    const UINT scan = MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC);
    PostMessageW(target, WM_KEYDOWN, virtualKey, static_cast<LPARAM>(1 | (scan << 16)));
    PostMessageW(target, WM_KEYUP, virtualKey, static_cast<LPARAM>(1 | (scan << 16) | 0xC0000000u));
}

int checkState(HWND dialog, int id) { return static_cast<int>(send(item(dialog, id), BM_GETCHECK, 0, 0)); }

void setCheck(HWND dialog, int id, int state) {
    for (int i = 0; i < 3 && checkState(dialog, id) != state; ++i) send(item(dialog, id), BM_CLICK, 0, 0);
}

bool setPickerDate(HWND picker, WORD year, WORD month, WORD day) {
    DWORD pid = 0;
    GetWindowThreadProcessId(picker, &pid);
    const HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_WRITE | PROCESS_VM_READ, FALSE, pid);
    if (process == nullptr) return false;
    SYSTEMTIME date = {};
    date.wYear = year;
    date.wMonth = month;
    date.wDay = day;
    void* remote = VirtualAllocEx(process, nullptr, sizeof date, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    bool set = false;
    if (remote != nullptr && WriteProcessMemory(process, remote, &date, sizeof date, nullptr)) {
        set = send(picker, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(remote)) != 0;
    }
    if (remote != nullptr) VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    CloseHandle(process);
    return set;
}

// ---------------------------------------------------------------------------------------------

std::vector<std::wstring> comboItems(HWND combo) {
    std::vector<std::wstring> items;
    const LRESULT count = send(combo, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        const LRESULT length = send(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0);
        if (length < 0) {
            items.emplace_back();
            continue;
        }
        std::wstring buffer(static_cast<size_t>(length) + 1, L'\0');
        const LRESULT copied = send(combo, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&buffer[0]));
        buffer.resize(copied > 0 ? static_cast<size_t>(copied) : 0);
        items.push_back(buffer);
    }
    return items;
}

int comboSelection(HWND combo) { return static_cast<int>(send(combo, CB_GETCURSEL, 0, 0)); }

std::wstring comboSelectedText(HWND combo) {
    const int selected = comboSelection(combo);
    if (selected < 0) return std::wstring();
    const std::vector<std::wstring> items = comboItems(combo);
    return static_cast<size_t>(selected) < items.size() ? items[static_cast<size_t>(selected)] : std::wstring();
}

LRESULT comboItemData(HWND combo, int index) { return send(combo, CB_GETITEMDATA, static_cast<WPARAM>(index), 0); }

bool chooseComboIndex(HWND dialog, int id, int index) {
    const HWND combo = item(dialog, id);
    if (combo == nullptr) return false;
    if (send(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0) != index) return false;
    send(dialog, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
    return true;
}

bool chooseComboItem(HWND dialog, int id, const std::wstring& itemText) {
    const std::vector<std::wstring> items = comboItems(item(dialog, id));
    for (size_t i = 0; i < items.size(); ++i) {
        if (items[i] == itemText) return chooseComboIndex(dialog, id, static_cast<int>(i));
    }
    return false;
}

std::vector<std::wstring> listLines(HWND list) {
    std::vector<std::wstring> lines;
    const LRESULT count = send(list, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        const LRESULT length = send(list, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0);
        if (length < 0) {
            lines.emplace_back();
            continue;
        }
        std::wstring buffer(static_cast<size_t>(length) + 1, L'\0');
        const LRESULT copied = send(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&buffer[0]));
        buffer.resize(copied > 0 ? static_cast<size_t>(copied) : 0);
        lines.push_back(buffer);
    }
    return lines;
}

int listSelection(HWND list) { return static_cast<int>(send(list, LB_GETCURSEL, 0, 0)); }

LRESULT listItemData(HWND list, int index) { return send(list, LB_GETITEMDATA, static_cast<WPARAM>(index), 0); }

bool chooseListLine(HWND dialog, int id, int index) {
    const HWND list = item(dialog, id);
    if (list == nullptr) return false;
    if (send(list, LB_SETCURSEL, static_cast<WPARAM>(index), 0) != index) return false;
    send(dialog, WM_COMMAND, MAKEWPARAM(id, LBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
    return true;
}

// ---------------------------------------------------------------------------------------------

namespace {

struct ChildState {
    HWND parent;
    std::vector<HWND>* children;
};

BOOL CALLBACK collectChild(HWND window, LPARAM parameter) {
    auto* state = reinterpret_cast<ChildState*>(parameter);
    if (GetParent(window) == state->parent) state->children->push_back(window);
    return TRUE;
}

std::vector<HWND> directChildren(HWND parent) {
    std::vector<HWND> children;
    ChildState state{parent, &children};
    EnumChildWindows(parent, &collectChild, reinterpret_cast<LPARAM>(&state));
    return children;
}

bool isIcon(HWND staticControl) {
    return (GetWindowLongW(staticControl, GWL_STYLE) & SS_TYPEMASK) == SS_ICON;
}

bool isPushButton(HWND button) {
    const LONG type = GetWindowLongW(button, GWL_STYLE) & BS_TYPEMASK;
    return type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON;
}

}  // namespace

std::vector<HWND> childrenOfClass(HWND parent, const std::wstring& name) {
    std::vector<HWND> result;
    for (HWND child : directChildren(parent)) {
        if (lstrcmpiW(className(child).c_str(), name.c_str()) == 0) result.push_back(child);
    }
    return result;
}

bool isMessageBox(HWND window) {
    if (className(window) != L"#32770" || !visible(window)) return false;
    bool hasText = false;
    bool hasButton = false;
    for (HWND child : directChildren(window)) {
        const std::wstring kind = className(child);
        if (lstrcmpiW(kind.c_str(), L"Static") == 0) {
            if (!isIcon(child) && !text(child).empty()) hasText = true;
        } else if (lstrcmpiW(kind.c_str(), L"Button") == 0) {
            if (!isPushButton(child)) return false;
            if (visible(child)) hasButton = true;
        } else {
            return false;
        }
    }
    return hasText && hasButton;
}

HWND findMessageBox(DWORD processId) {
    for (HWND window : dialogs(processId)) {
        if (isMessageBox(window)) return window;
    }
    return nullptr;
}

HWND waitForMessageBox(DWORD processId, int timeoutMs) {
    return waitForWindow([&] { return findMessageBox(processId); }, timeoutMs);
}

std::wstring messageBoxText(HWND box) {
    std::wstring joined;
    for (HWND child : childrenOfClass(box, L"Static")) {
        if (isIcon(child)) continue;
        const std::wstring part = text(child);
        if (part.empty()) continue;
        if (!joined.empty()) joined += L"\n";
        joined += part;
    }
    return joined;
}

std::vector<int> messageBoxButtons(HWND box) {
    std::vector<int> ids;
    for (HWND child : childrenOfClass(box, L"Button")) {
        if (visible(child)) ids.push_back(GetDlgCtrlID(child));
    }
    return ids;
}

// ---------------------------------------------------------------------------------------------

UnmanagedWindows::UnmanagedWindows(const std::vector<std::wstring>& programs) {
    for (const std::wstring& program : programs) {
        Previous entry;
        entry.key = L"Software\\Wine\\AppDefaults\\" + program + L"\\X11 Driver";
        HKEY handle = nullptr;
        if (RegCreateKeyExW(HKEY_CURRENT_USER, entry.key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &handle,
                            nullptr) != ERROR_SUCCESS) {
            continue;
        }
        wchar_t buffer[64] = {};
        DWORD size = sizeof buffer - sizeof buffer[0];
        DWORD type = 0;
        if (RegQueryValueExW(handle, L"Managed", nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) ==
                ERROR_SUCCESS &&
            type == REG_SZ) {
            entry.existed = true;
            entry.value = buffer;
        }
        const wchar_t no[] = L"N";
        RegSetValueExW(handle, L"Managed", 0, REG_SZ, reinterpret_cast<const BYTE*>(no), sizeof no);
        RegCloseKey(handle);
        previous_.push_back(entry);
    }
}

UnmanagedWindows::~UnmanagedWindows() {
    for (const Previous& entry : previous_) {
        HKEY handle = nullptr;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, entry.key.c_str(), 0, KEY_ALL_ACCESS, &handle) != ERROR_SUCCESS) continue;
        if (entry.existed) {
            RegSetValueExW(handle, L"Managed", 0, REG_SZ, reinterpret_cast<const BYTE*>(entry.value.c_str()),
                           static_cast<DWORD>((entry.value.size() + 1) * sizeof(wchar_t)));
        } else {
            RegDeleteValueW(handle, L"Managed");
        }
        RegCloseKey(handle);
    }
}

// ---------------------------------------------------------------------------------------------

void becomeDpiAware() {
    const HMODULE user32 = GetModuleHandleW(L"user32.dll");
    using ContextFunction = BOOL(WINAPI*)(HANDLE);
    const auto setContext = reinterpret_cast<ContextFunction>(
        reinterpret_cast<void*>(GetProcAddress(user32, "SetProcessDpiAwarenessContext")));
    const HANDLE perMonitorV2 = reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(-4));
    if (setContext != nullptr && setContext(perMonitorV2)) return;
    SetProcessDPIAware();
}

int screenDpi() {
    const HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : 96;
}

int scaled(int pixels, int dpi) { return MulDiv(pixels, dpi, 96); }

COLORREF screenPixel(HWND window, int x, int y) {
    POINT point = {x, y};
    if (!ClientToScreen(window, &point)) return CLR_INVALID;
    const HDC screen = GetDC(nullptr);
    const COLORREF colour = GetPixel(screen, point.x, point.y);
    ReleaseDC(nullptr, screen);
    return colour;
}

bool captureWindow(HWND window, const std::wstring& bmpPath) {
    RECT area;
    if (!GetWindowRect(window, &area)) return false;
    const int width = area.right - area.left;
    const int height = area.bottom - area.top;
    if (width <= 0 || height <= 0) return false;

    const HDC screen = GetDC(nullptr);
    const HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;  // bottom-up, as BMP files store it
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    const HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    bool ok = false;
    if (bitmap != nullptr) {
        const HGDIOBJ previous = SelectObject(memory, bitmap);
        ok = BitBlt(memory, 0, 0, width, height, screen, area.left, area.top, SRCCOPY) != FALSE;
        GdiFlush();
        SelectObject(memory, previous);
        if (ok) {
            const DWORD stride = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
            const DWORD imageSize = stride * static_cast<DWORD>(height);
            BITMAPFILEHEADER header = {};
            header.bfType = 0x4D42;  // "BM"
            header.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
            header.bfSize = header.bfOffBits + imageSize;
            std::string bytes(reinterpret_cast<const char*>(&header), sizeof header);
            bytes.append(reinterpret_cast<const char*>(&info.bmiHeader), sizeof info.bmiHeader);
            bytes.append(static_cast<const char*>(bits), imageSize);
            ok = writeFile(bmpPath, bytes);
        }
        DeleteObject(bitmap);
    }
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return ok;
}

// ---------------------------------------------------------------------------------------------

LRESULT sendWithBuffer(HWND window, UINT message, WPARAM wParam, void* data, size_t size) {
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    const HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_WRITE | PROCESS_VM_READ, FALSE, pid);
    if (process == nullptr) return 0;
    LRESULT answer = 0;
    void* remote = VirtualAllocEx(process, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    if (remote != nullptr && WriteProcessMemory(process, remote, data, size, nullptr)) {
        answer = send(window, message, wParam, reinterpret_cast<LPARAM>(remote));
        if (!ReadProcessMemory(process, remote, data, size, nullptr)) answer = 0;
    }
    if (remote != nullptr) VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    CloseHandle(process);
    return answer;
}

DialogFont::DialogFont(int dpi)
    : dc_(GetDC(nullptr)),
      // As the dialog manager makes a template's font: the point size at the screen's DPI, the
      // template's character set.
      font_(CreateFontW(-MulDiv(9, dpi, 72), 0, 0, 0, FW_DONTCARE, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET,
                        OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                        L"ＭＳ Ｐゴシック")),
      previous_(SelectObject(dc_, font_)) {}

DialogFont::~DialogFont() {
    SelectObject(dc_, previous_);
    DeleteObject(font_);
    ReleaseDC(nullptr, dc_);
}

int DialogFont::width(const std::wstring& text) const {
    SIZE size = {};
    GetTextExtentPoint32W(dc_, text.c_str(), static_cast<int>(text.size()), &size);
    return size.cx;
}

int DialogFont::height() const {
    TEXTMETRICW metrics = {};
    GetTextMetricsW(dc_, &metrics);
    return metrics.tmHeight;
}

}  // namespace ui
