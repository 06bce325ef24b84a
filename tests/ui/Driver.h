// Drives another process's dialogs from outside, with the standard window messages that assistive
// tools use: find top-level dialogs by caption, read and set control texts, choose combo items, click
// buttons, post menu commands, read list boxes and message boxes, and watch focus and visibility.
// Wide API throughout; the program's own strings are Shift_JIS, so comparisons go through code page 932.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace ui {

// ---------------------------------------------------------------------------------------------
// Text

std::wstring fromUtf8(const std::string& utf8);
std::string toUtf8(const std::wstring& wide);
// Shift_JIS (code page 932) both ways, whatever the system's ANSI code page is.
std::wstring fromSjis(const std::string& sjis);
std::string toSjis(const std::wstring& wide);
// A UTF-8 text (as written in the test sources) as the Shift_JIS bytes the program keeps.
std::string sjis(const std::string& utf8);

// ---------------------------------------------------------------------------------------------
// Files and folders

// The folder of the running test executable, with a trailing backslash.
std::wstring testDirectory();
// A Windows path for a path that may be a Unix one (as CMake writes them): "/x/y" becomes the drive
// path Wine maps it to; a Windows path is returned as it is.
std::wstring windowsPath(const std::string& path);

bool writeFile(const std::wstring& path, const std::string& bytes);
// The file's bytes; empty when it cannot be read.
std::string readFile(const std::wstring& path);
bool fileExists(const std::wstring& path);
// The file's last write time (100 ns units), 0 when it does not exist.
unsigned long long fileWriteTime(const std::wstring& path);

// A new folder under `base` (with a trailing backslash; empty: the user's temporary folder), removed
// with its contents at the end. The leaf name is `prefix` followed by a unique suffix, so the prefix
// may hold any characters (Japanese too).
class TempFolder {
public:
    explicit TempFolder(const std::wstring& prefix = L"pelorane-ui", const std::wstring& base = std::wstring());
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // The folder, with a trailing backslash.
    const std::wstring& path() const { return path_; }
    std::wstring file(const std::wstring& name) const { return path_ + name; }

private:
    std::wstring path_;
};

// Removes a folder and everything in it; false when something stayed.
bool removeTree(const std::wstring& folder);

// ---------------------------------------------------------------------------------------------
// Processes

// "arg" quoted for a Windows command line (CommandLineToArgvW rules).
std::wstring quoteArgument(const std::wstring& argument);

class Process {
public:
    Process() = default;
    // Ends a process that is still running (a test that failed half-way leaves no program behind).
    ~Process();
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    // Starts exe with the arguments (already quoted as needed) in folder. False when it did not start.
    bool start(const std::wstring& exe, const std::wstring& arguments, const std::wstring& folder);
    DWORD id() const { return info_.dwProcessId; }
    bool started() const { return info_.hProcess != nullptr; }
    bool running() const;
    // Waits up to timeoutMs for the end; true when the process has ended.
    bool waitForExit(int timeoutMs);
    // The exit code once ended; STILL_ACTIVE while running.
    DWORD exitCode() const;
    void terminate();

private:
    PROCESS_INFORMATION info_ = {};
};

// ---------------------------------------------------------------------------------------------
// Waiting

// Polls the condition every pollMs until it holds or timeoutMs has passed; its last answer.
bool waitUntil(const std::function<bool()>& condition, int timeoutMs, int pollMs = 10);
// Polls for a window; null when none came within timeoutMs.
HWND waitForWindow(const std::function<HWND()>& find, int timeoutMs);

constexpr int kDefaultTimeoutMs = 10000;

// ---------------------------------------------------------------------------------------------
// Windows

std::wstring className(HWND window);
// The window's text through WM_GETTEXT (works across processes).
std::wstring text(HWND window);
bool setText(HWND window, const std::wstring& value);
bool visible(HWND window);
bool enabled(HWND window);
HWND owner(HWND window);
// The top-level windows of the process, in Z order.
std::vector<HWND> topLevelWindows(DWORD processId);
// The visible dialog (class "#32770") of the process with exactly this caption, or null.
HWND findDialog(DWORD processId, const std::wstring& caption);
HWND waitForDialog(DWORD processId, const std::wstring& caption, int timeoutMs = kDefaultTimeoutMs);
// Every visible dialog of the process.
std::vector<HWND> dialogs(DWORD processId);
// The window that has the keyboard focus in the thread that owns `window`; null when none.
HWND focusedWindow(HWND window);

// SendMessage with a time-out (5 s), for messages without pointers; 0 when it timed out.
LRESULT sendMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// A dialog's control by its identifier.
HWND item(HWND dialog, int id);
std::wstring itemText(HWND dialog, int id);
bool setItemText(HWND dialog, int id, const std::wstring& value);
// The control has the keyboard focus.
bool hasFocus(HWND dialog, int id);
// Moves the focus to the control the way the dialog's Tab handling does (WM_NEXTDLGCTL).
void focusItem(HWND dialog, int id);

// Clicks a button (BM_CLICK, posted: a click may open a modal dialog that would block a send).
void click(HWND dialog, int id);
// Clicks a button whose handler opens nothing modal, and returns once the handler has run: the
// ground for a check that something did NOT happen.
void clickAndSettle(HWND dialog, int id);
// A WM_NULL round trip (SendMessageTimeout): the window's thread has taken up its messages, so
// what a handler that already ran (or a modal loop it opened) does is done or visible.
void settle(HWND window);
// A menu command: WM_COMMAND with the identifier and no sender, posted.
void postCommand(HWND window, int id);
// A key press on the focused control of the window's thread (WM_KEYDOWN and WM_KEYUP, posted).
void pressKey(HWND window, UINT virtualKey);
// BM_GETCHECK: 0, 1 (checked) or 2.
int checkState(HWND dialog, int id);
// Sets a check box to BST_CHECKED or BST_UNCHECKED as a click would (BM_CLICK while it differs).
void setCheck(HWND dialog, int id, int state);
// Sets a date picker of another process (DTM_SETSYSTEMTIME with the date in that process's memory).
bool setPickerDate(HWND picker, WORD year, WORD month, WORD day);

// Combo boxes.
std::vector<std::wstring> comboItems(HWND combo);
int comboSelection(HWND combo);  // CB_ERR (-1) when nothing is selected
std::wstring comboSelectedText(HWND combo);
LRESULT comboItemData(HWND combo, int index);
// Selects the item with exactly this text and tells the dialog (CBN_SELCHANGE), as a user's choice
// would; false when there is no such item.
bool chooseComboItem(HWND dialog, int id, const std::wstring& itemText);
bool chooseComboIndex(HWND dialog, int id, int index);

// List boxes.
std::vector<std::wstring> listLines(HWND list);
int listSelection(HWND list);  // LB_ERR (-1) when nothing is selected
LRESULT listItemData(HWND list, int index);
// Selects a line and tells the dialog (LBN_SELCHANGE), as a user's click would.
bool chooseListLine(HWND dialog, int id, int index);

// Message boxes: a dialog whose children are only static texts and push buttons, with some text.
bool isMessageBox(HWND window);
HWND findMessageBox(DWORD processId);
HWND waitForMessageBox(DWORD processId, int timeoutMs = kDefaultTimeoutMs);
// The message box's text (its non-icon static controls, joined by line breaks).
std::wstring messageBoxText(HWND box);
// The identifiers of its push buttons, in child order.
std::vector<int> messageBoxButtons(HWND box);

// The child windows of a window with this class name, in child order (direct children only).
std::vector<HWND> childrenOfClass(HWND parent, const std::wstring& name);

// ---------------------------------------------------------------------------------------------
// Wine

// On a display without a window manager (a private Xvfb), Wine waits two seconds for one whenever a
// managed window is hidden. For the named programs this sets Wine's per-program X11 option
// "Managed"="N" (HKCU\Software\Wine\AppDefaults\<program>\X11 Driver), so Wine maps and frames their
// windows itself, and restores the previous value when the object ends. A program reads the option
// when it starts. Harmless on Windows, where nothing reads the key.
class UnmanagedWindows {
public:
    explicit UnmanagedWindows(const std::vector<std::wstring>& programs);
    ~UnmanagedWindows();
    UnmanagedWindows(const UnmanagedWindows&) = delete;
    UnmanagedWindows& operator=(const UnmanagedWindows&) = delete;

private:
    struct Previous {
        std::wstring key;
        bool existed = false;
        std::wstring value;
    };
    std::vector<Previous> previous_;
};

// ---------------------------------------------------------------------------------------------
// DPI

// Makes this process DPI aware (per monitor v2 where the system has it, else system aware), so that
// window rectangles and screen pixels of a DPI-aware program are read unscaled. Call before the
// first window is created.
void becomeDpiAware();
// The screen's DPI (LOGPIXELSY): what a program that is DPI aware draws at under Wine.
int screenDpi();
// A length of `pixels` at 96 DPI on a screen of `dpi`, rounded (MulDiv, as the program scales).
int scaled(int pixels, int dpi);

// ---------------------------------------------------------------------------------------------
// Screen capture

// The colour on the screen at a point of the window's client area (CLR_INVALID when unreadable).
COLORREF screenPixel(HWND window, int x, int y);
// Writes the window's area of the screen as a 24-bit BMP; false on failure.
bool captureWindow(HWND window, const std::wstring& bmpPath);

// ---------------------------------------------------------------------------------------------
// Messages with a buffer, and text measurement

// Sends a message whose lParam points to `size` bytes: they are copied into the window's process,
// and what the message left there is copied back into `data`. Returns the answer (0 on failure).
LRESULT sendWithBuffer(HWND window, UINT message, WPARAM wParam, void* data, size_t size);

// The dialogs' font ("ＭＳ Ｐゴシック" 9 point) as the dialog manager makes it on a screen of `dpi`,
// selected into a screen context for measuring.
class DialogFont {
public:
    explicit DialogFont(int dpi);
    ~DialogFont();
    DialogFont(const DialogFont&) = delete;
    DialogFont& operator=(const DialogFont&) = delete;

    // The width of the text in pixels (GetTextExtentPoint32).
    int width(const std::wstring& text) const;
    // The line height (tmHeight), which a list box takes as its item height.
    int height() const;

private:
    HDC dc_;
    HFONT font_;
    HGDIOBJ previous_;
};

}  // namespace ui
