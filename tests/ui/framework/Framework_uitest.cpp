// The dialog framework on real controls of this process: control wrappers, combo and list helpers,
// the window base class and its one-time class registration, the dialog binding, drawing guards.
#include <windows.h>

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "Driver.h"
#include "core/Reservation.h"
#include "ui/Framework.h"
#include "ui/Text.h"

namespace {

// Wine frames this program's windows itself (no two-second wait for a window manager on each hide);
// set before the first window exists, restored when the run ends.
class FrameworkTestEnvironment : public ::testing::Environment {
public:
    FrameworkTestEnvironment() : windows_({L"ui_framework_tests.exe"}) {}

private:
    ui::UnmanagedWindows windows_;
};
::testing::Environment* const environment = ::testing::AddGlobalTestEnvironment(new FrameworkTestEnvironment);
// A crash ends the run instead of waiting in a debugger.
const UINT previousErrorMode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);

// A visible top-level window holding the controls of one test, so that focus can move between them.
class Host {
public:
    Host() {
        window_ = CreateWindowExW(0, L"STATIC", L"framework test", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 400, 300,
                                  nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    }
    ~Host() {
        if (window_ != nullptr) DestroyWindow(window_);
    }
    Host(const Host&) = delete;
    Host& operator=(const Host&) = delete;

    HWND window() const { return window_; }
    HWND add(const wchar_t* className, DWORD style, int id, int y) {
        return CreateWindowExW(0, className, L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | style, 10, y, 200,
                               style & CBS_DROPDOWNLIST ? 200 : 22, window_,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
    }
    HWND combo(int id = 100) { return add(L"COMBOBOX", CBS_DROPDOWNLIST | WS_VSCROLL, id, 10); }
    HWND edit(int id = 101) { return add(L"EDIT", ES_AUTOHSCROLL | WS_BORDER, id, 40); }
    HWND check(int id = 102) { return add(L"BUTTON", BS_AUTOCHECKBOX, id, 70); }
    HWND list(int id = 103) { return add(L"LISTBOX", WS_BORDER | WS_VSCROLL, id, 100); }

private:
    HWND window_ = nullptr;
};

void addComboItem(HWND combo, const wchar_t* text, LPARAM data) {
    const LRESULT index = SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
    SendMessageW(combo, CB_SETITEMDATA, static_cast<WPARAM>(index), data);
}

// A combo of the host holding the items (text, data) in this order, nothing selected.
HWND comboWith(Host& host, std::initializer_list<std::pair<const wchar_t*, LPARAM>> items) {
    const HWND combo = host.combo();
    for (const auto& [text, data] : items) addComboItem(combo, text, data);
    return combo;
}

// A wrapper bound to the control, holding value.
ValueControl wrapper(HWND control, int32_t value = 0) {
    ValueControl wrapped;
    wrapped.handle = control;
    wrapped.value = value;
    return wrapped;
}

std::wstring windowTextW(HWND window) {
    wchar_t buffer[256] = {};
    const int length = GetWindowTextW(window, buffer, 256);
    return std::wstring(buffer, static_cast<size_t>(length > 0 ? length : 0));
}

// Shift_JIS bytes of a UTF-8 literal.
std::string sjisOf(const char* utf8) {
    const int wideLength = MultiByteToWideChar(CP_UTF8, 0, utf8, -1, nullptr, 0);
    std::wstring wide(static_cast<size_t>(wideLength), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8, -1, &wide[0], wideLength);
    wide.resize(wide.size() - 1);
    return sjisFromWide(wide);
}

}  // namespace

// ---------------------------------------------------------------------------------------------

TEST(ComboSelection, WriteSelectionWithoutMatchingDataLeavesSelectionAlone) {
    Host host;
    const HWND combo = comboWith(host, {{L"two", 2}, {L"three", 3}, {L"one", 1}});
    SendMessageW(combo, CB_SETCURSEL, 1, 0);
    ValueControl control = wrapper(combo, 0);
    control.writeSelection();
    EXPECT_EQ(SendMessageW(combo, CB_GETCURSEL, 0, 0), 1);
}

TEST(ComboSelection, WriteSelectionSelectsTheItemWithTheValue) {
    Host host;
    const HWND combo = comboWith(host, {{L"two", 2}, {L"three", 3}, {L"one", 1}});
    ValueControl control = wrapper(combo, 1);
    control.writeSelection();
    EXPECT_EQ(SendMessageW(combo, CB_GETCURSEL, 0, 0), 2);
}

TEST(ComboSelection, WriteSelectionWithSeveralMatchesSelectsTheLast) {
    Host host;
    const HWND combo = comboWith(host, {{L"a", 2}, {L"b", 3}, {L"c", 2}, {L"d", 1}});
    ValueControl control = wrapper(combo, 2);
    control.writeSelection();
    EXPECT_EQ(SendMessageW(combo, CB_GETCURSEL, 0, 0), 2);
}

TEST(ComboSelection, ReadSelectionWithNothingSelectedIsMinusOne) {
    Host host;
    const HWND combo = comboWith(host, {{L"two", 2}, {L"three", 3}});
    SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
    ValueControl control = wrapper(combo, 7);
    control.readSelection();
    EXPECT_EQ(control.value, -1);
}

TEST(ComboSelection, ReadSelectionGivesTheSelectedItemsData) {
    Host host;
    const HWND combo = comboWith(host, {{L"two", 2}, {L"three", 3}});
    SendMessageW(combo, CB_SETCURSEL, 1, 0);
    ValueControl control = wrapper(combo);
    control.readSelection();
    EXPECT_EQ(control.value, 3);
}

TEST(ComboFill, FillComboKeepsTableOrderCarriesValuesAndSelectsFirst) {
    Host host;
    const HWND combo = host.combo();
    const OptionTable table({{sjisOf("認証なし"), 0}, {"b", 7}, {"a", -1}});
    fillCombo(combo, table);
    ASSERT_EQ(SendMessageW(combo, CB_GETCOUNT, 0, 0), 3);
    wchar_t first[64] = {};
    SendMessageW(combo, CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(first));
    EXPECT_EQ(std::wstring(first), L"認証なし");
    wchar_t second[64] = {};
    SendMessageW(combo, CB_GETLBTEXT, 1, reinterpret_cast<LPARAM>(second));
    EXPECT_EQ(std::wstring(second), L"b");
    EXPECT_EQ(SendMessageW(combo, CB_GETITEMDATA, 1, 0), 7);
    EXPECT_EQ(static_cast<int>(SendMessageW(combo, CB_GETITEMDATA, 2, 0)), -1);
    EXPECT_EQ(SendMessageW(combo, CB_GETCURSEL, 0, 0), 0);
}

// ---------------------------------------------------------------------------------------------

TEST(CheckBox, WriteCheckWithValueTwoDisablesAndLeavesState) {
    Host host;
    const HWND box = host.check();
    SendMessageW(box, BM_SETCHECK, BST_CHECKED, 0);
    ValueControl control = wrapper(box, 2);
    control.writeCheck();
    EXPECT_FALSE(IsWindowEnabled(box));
    EXPECT_EQ(SendMessageW(box, BM_GETCHECK, 0, 0), BST_CHECKED);
}

TEST(CheckBox, WriteCheckZeroAndOneSetTheStateAndKeepItEnabled) {
    Host host;
    const HWND box = host.check();
    ValueControl control = wrapper(box, 1);
    control.writeCheck();
    EXPECT_EQ(SendMessageW(box, BM_GETCHECK, 0, 0), BST_CHECKED);
    control.value = 0;
    control.writeCheck();
    EXPECT_EQ(SendMessageW(box, BM_GETCHECK, 0, 0), BST_UNCHECKED);
    EXPECT_TRUE(IsWindowEnabled(box));
}

TEST(CheckBox, ReadCheckKeepsValuesOtherThanZeroAndOne) {
    Host host;
    const HWND box = host.check();
    SendMessageW(box, BM_SETCHECK, BST_CHECKED, 0);
    ValueControl control = wrapper(box, 2);
    control.readCheck();
    EXPECT_EQ(control.value, 2);
    control.value = 0;
    control.readCheck();
    EXPECT_EQ(control.value, 1);
}

// ---------------------------------------------------------------------------------------------

TEST(NumberBox, InRangeFailsForMinusOneAndFocusesTheControl) {
    Host host;
    const HWND other = host.edit(101);
    const HWND box = host.add(L"EDIT", ES_AUTOHSCROLL | WS_BORDER, 104, 130);
    SetForegroundWindow(host.window());
    SetFocus(other);
    ASSERT_EQ(GetFocus(), other);
    ValueControl control = wrapper(box, -1);
    EXPECT_FALSE(control.inRange(0, 23));
    EXPECT_EQ(GetFocus(), box);
}

TEST(NumberBox, InRangeAcceptsBothEndsAndKeepsFocus) {
    Host host;
    const HWND other = host.edit(101);
    const HWND box = host.add(L"EDIT", ES_AUTOHSCROLL | WS_BORDER, 104, 130);
    SetForegroundWindow(host.window());
    SetFocus(other);
    ValueControl control = wrapper(box, 0);
    EXPECT_TRUE(control.inRange(0, 23));
    control.value = 23;
    EXPECT_TRUE(control.inRange(0, 23));
    EXPECT_EQ(GetFocus(), other);
    control.value = 24;
    EXPECT_FALSE(control.inRange(0, 23));
    EXPECT_EQ(GetFocus(), box);
}

TEST(NumberBox, DigitsFollowedByLettersReadAsTheDigits) {
    Host host;
    const HWND box = host.edit();
    SetWindowTextW(box, L"12ab");
    ValueControl control = wrapper(box);
    control.readNumber();
    EXPECT_EQ(control.value, 12);
}

TEST(NumberBox, EmptyOrNonNumericTextReadsAsZero) {
    Host host;
    const HWND box = host.edit();
    ValueControl control = wrapper(box, 5);
    SetWindowTextW(box, L"");
    control.readNumber();
    EXPECT_EQ(control.value, 0);
    control.value = 5;
    SetWindowTextW(box, L"ab12");
    control.readNumber();
    EXPECT_EQ(control.value, 0);
}

TEST(NumberBox, ReadsNoMoreThanThirtyOneCharacters) {
    Host host;
    const HWND box = host.edit();
    // 31 zeros, then a digit that only a longer read would see.
    SetWindowTextW(box, (std::wstring(31, L'0') + L"7").c_str());
    ValueControl control = wrapper(box, 5);
    control.readNumber();
    EXPECT_EQ(control.value, 0);
    SetWindowTextW(box, (std::wstring(30, L'0') + L"7").c_str());
    control.readNumber();
    EXPECT_EQ(control.value, 7);
}

TEST(NumberBox, WriteNumberFormatsDecimal) {
    Host host;
    const HWND box = host.edit();
    ValueControl control = wrapper(box, -42);
    control.writeNumber();
    EXPECT_EQ(windowTextW(box), L"-42");
}

// ---------------------------------------------------------------------------------------------

TEST(TextBox, JapaneseTextRoundTripsAsShiftJis) {
    Host host;
    const HWND box = host.edit();
    TextControl control;
    control.handle = box;
    control.text = sjisOf("予約テスト・ソ表能");
    control.write();
    EXPECT_EQ(windowTextW(box), L"予約テスト・ソ表能");
    control.text.clear();
    control.read();
    EXPECT_EQ(control.text, sjisOf("予約テスト・ソ表能"));
}

TEST(TextBox, EmptyControlReadsAsEmptyText) {
    Host host;
    const HWND box = host.edit();
    TextControl control;
    control.handle = box;
    control.text = "stale";
    control.read();
    EXPECT_EQ(control.text, "");
}

TEST(TextBox, RequireTextJudgesTheWrapperNotTheControl) {
    Host host;
    const HWND other = host.edit(101);
    const HWND box = host.add(L"EDIT", ES_AUTOHSCROLL | WS_BORDER, 104, 130);
    SetForegroundWindow(host.window());
    SetWindowTextW(box, L"typed but not read");
    SetFocus(other);
    TextControl control;
    control.handle = box;
    EXPECT_FALSE(control.requireText());
    EXPECT_EQ(GetFocus(), box);
    SetFocus(other);
    control.text = "x";
    EXPECT_TRUE(control.requireText());
    EXPECT_EQ(GetFocus(), other);
}

// ---------------------------------------------------------------------------------------------

TEST(ListBox, FindListItemGivesTheFirstIndexWithTheData) {
    Host host;
    const HWND list = host.list();
    for (LPARAM data : {5, 7, 5}) {
        const LRESULT index = SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"line"));
        SendMessageW(list, LB_SETITEMDATA, static_cast<WPARAM>(index), data);
    }
    EXPECT_EQ(findListItem(list, 7), 1);
    EXPECT_EQ(findListItem(list, 5), 0);
    EXPECT_EQ(findListItem(list, 9), -1);
}

// ---------------------------------------------------------------------------------------------

namespace {

class RecordingWindow : public XoWindowBase {
public:
    LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
        messages.push_back(message);
        if (message == WM_CREATE) hwndAtCreate = hwnd;
        return defaultProc(message, wParam, lParam);
    }
    std::vector<UINT> messages;
    HWND hwndAtCreate = nullptr;
};

}  // namespace

TEST(WindowBase, ClassIsRegisteredOnceAndObjectsAreBoundAtCreate) {
    // Whatever ran before (any order, any filter): once registered, the class stays the same.
    const ATOM before = XoWindowBase::classAtom();
    Host host;
    RecordingWindow first;
    ASSERT_TRUE(first.create(host.window(), WS_CHILD | WS_VISIBLE, 0, 0, 50, 50, 7));
    const ATOM atom = XoWindowBase::classAtom();
    EXPECT_NE(atom, 0);
    if (before != 0) {
        EXPECT_EQ(before, atom);
    }
    RecordingWindow second;
    ASSERT_TRUE(second.create(host.window(), WS_CHILD | WS_VISIBLE, 60, 0, 50, 50, 8));
    EXPECT_EQ(XoWindowBase::classAtom(), atom);

    // Both windows are of the one class "XoWindowBase" with the documented attributes.
    WNDCLASSEXW info = {};
    info.cbSize = sizeof info;
    ASSERT_TRUE(GetClassInfoExW(GetModuleHandleW(nullptr), L"XoWindowBase", &info));
    EXPECT_EQ(info.style, static_cast<UINT>(CS_DBLCLKS));
    EXPECT_EQ(info.hbrBackground, static_cast<HBRUSH>(GetStockObject(NULL_BRUSH)));
    EXPECT_EQ(info.cbClsExtra, 0);
    EXPECT_EQ(info.cbWndExtra, 0);
    EXPECT_EQ(info.hCursor, LoadCursorW(nullptr, IDC_ARROW));
    EXPECT_EQ(GetClassWord(first.hwnd, GCW_ATOM), atom);
    EXPECT_EQ(GetClassWord(second.hwnd, GCW_ATOM), atom);

    // The object is known from WM_CREATE on (messages before it get the default handling), and
    // the window's user data and child identifier are as created.
    ASSERT_FALSE(first.messages.empty());
    EXPECT_EQ(first.messages.front(), static_cast<UINT>(WM_CREATE));
    EXPECT_NE(first.hwndAtCreate, nullptr);
    EXPECT_EQ(GetWindowLongPtrW(first.hwnd, GWLP_USERDATA), reinterpret_cast<LONG_PTR>(&first));
    EXPECT_EQ(GetDlgCtrlID(second.hwnd), 8);
    EXPECT_EQ(GetParent(second.hwnd), host.window());
    SendMessageW(second.hwnd, WM_USER + 5, 0, 0);
    EXPECT_EQ(second.messages.back(), static_cast<UINT>(WM_USER + 5));
}

// ---------------------------------------------------------------------------------------------

namespace {

struct ProbeDialog {
    HWND hwnd = nullptr;
    int initCount = 0;
    int commandCount = 0;
};

BOOL probeInit(ProbeDialog& dialog) {
    ++dialog.initCount;
    return TRUE;
}

INT_PTR probeMessage(ProbeDialog& dialog, UINT message, WPARAM, LPARAM) {
    if (message != WM_COMMAND) return FALSE;
    ++dialog.commandCount;
    return TRUE;
}

// An empty dialog template (no controls) in memory, DWORD aligned.
struct alignas(4) EmptyTemplate {
    DLGTEMPLATE header;
    WORD menu = 0;
    WORD windowClass = 0;
    WORD title = 0;
};

HWND createProbe(LPARAM object) {
    static EmptyTemplate empty;
    empty.header.style = WS_POPUP | WS_CAPTION;
    empty.header.cx = 100;
    empty.header.cy = 50;
    return CreateDialogIndirectParamW(GetModuleHandleW(nullptr), &empty.header, nullptr,
                                      &dialogProcedure<ProbeDialog, probeInit, probeMessage>, object);
}

}  // namespace

TEST(DialogBinding, DialogWithoutObjectHandlesNothing) {
    const HWND dialog = createProbe(0);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(boundDialogObject(dialog), nullptr);
    // A command finds no object: not handled.
    EXPECT_EQ(SendMessageW(dialog, WM_COMMAND, 1234, 0), 0);
    DestroyWindow(dialog);
}

TEST(DialogBinding, ObjectIsBoundAtInitDialogAndReceivesCommands) {
    ProbeDialog probe;
    const HWND dialog = createProbe(reinterpret_cast<LPARAM>(&probe));
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(probe.hwnd, dialog);
    EXPECT_EQ(probe.initCount, 1);
    EXPECT_EQ(boundDialogObject(dialog), &probe);
    SendMessageW(dialog, WM_COMMAND, 1234, 0);
    EXPECT_EQ(probe.commandCount, 1);
    DestroyWindow(dialog);
}

// ---------------------------------------------------------------------------------------------

TEST(Drawing, SelectionGuardSelectsThePreviousObjectBackAtItsEnd) {
    const HDC screen = GetDC(nullptr);
    const HDC memory = CreateCompatibleDC(screen);
    ReleaseDC(nullptr, screen);
    ASSERT_NE(memory, nullptr);
    const HGDIOBJ before = GetCurrentObject(memory, OBJ_BRUSH);
    const HBRUSH brush = CreateSolidBrush(RGB(255, 255, 51));
    {
        DeviceContext context(memory);
        SelectionGuard guard(context, brush);
        EXPECT_EQ(GetCurrentObject(memory, OBJ_BRUSH), brush);
    }
    EXPECT_EQ(GetCurrentObject(memory, OBJ_BRUSH), before);
    DeleteObject(brush);
    DeleteDC(memory);
}

TEST(Drawing, OpaqueTextOutWithoutTextFillsTheRectangleWithTheBackground) {
    const HDC screen = GetDC(nullptr);
    const HDC memory = CreateCompatibleDC(screen);
    const HBITMAP bitmap = CreateCompatibleBitmap(screen, 20, 20);
    ReleaseDC(nullptr, screen);
    const HGDIOBJ previous = SelectObject(memory, bitmap);
    DeviceContext context(memory);
    SetBkColor(memory, RGB(255, 51, 255));
    const RECT area = {2, 2, 10, 10};
    EXPECT_TRUE(context.textOut(0, 0, ETO_OPAQUE, &area, nullptr, 0, nullptr));
    EXPECT_EQ(GetPixel(memory, 5, 5), RGB(255, 51, 255));
    EXPECT_NE(GetPixel(memory, 15, 15), RGB(255, 51, 255));
    SelectObject(memory, previous);
    DeleteObject(bitmap);
    DeleteDC(memory);
}
