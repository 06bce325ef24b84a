// The window base class, modal dialog binding, control wrappers and drawing contexts over the wide API.
#include "ui/Framework.h"

#include <cstring>

#include "core/Application.h"
#include "core/Reservation.h"
#include "settings/Numbers.h"
#include "ui/Resource.h"
#include "ui/Text.h"

namespace {

constexpr wchar_t kWindowClassName[] = L"XoWindowBase";
// "%d" of any 32-bit value fits with room to spare; the number box reads no more than this either.
constexpr int kNumberBufferSize = 32;

ATOM windowClass = 0;  // registered once per process, on the UI thread

ATOM registerWindowClass() {
    WNDCLASSEXW windowClassInfo = {};
    windowClassInfo.cbSize = sizeof(windowClassInfo);
    windowClassInfo.style = CS_DBLCLKS;
    windowClassInfo.lpfnWndProc = &windowProc;
    windowClassInfo.hInstance = GetModuleHandleW(nullptr);
    windowClassInfo.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    // The window paints its whole background itself.
    windowClassInfo.hbrBackground = static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
    windowClassInfo.lpszClassName = kWindowClassName;
    return RegisterClassExW(&windowClassInfo);
}

HINSTANCE applicationInstance() {
    const ApplicationBase* application = ApplicationBase::current();
    if (application != nullptr && application->instance() != nullptr) {
        return static_cast<HINSTANCE>(application->instance());
    }
    return GetModuleHandleW(nullptr);
}

}  // namespace

// ---------------------------------------------------------------------------------------------

LRESULT XoWindowBase::defaultProc(UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

bool XoWindowBase::create(HWND parent, DWORD style, int x, int y, int width, int height, int id) {
    if (windowClass == 0) windowClass = registerWindowClass();
    if (windowClass == 0) return false;
    const HWND created = CreateWindowExW(0, MAKEINTATOM(windowClass), nullptr, style, x, y, width, height, parent,
                                         reinterpret_cast<HMENU>(static_cast<intptr_t>(id)),
                                         GetModuleHandleW(nullptr), this);
    return created != nullptr;
}

ATOM XoWindowBase::classAtom() { return windowClass; }

LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    XoWindowBase* object = nullptr;
    if (message == WM_CREATE) {
        const CREATESTRUCTW* creation = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        object = static_cast<XoWindowBase*>(creation->lpCreateParams);
        if (object != nullptr) {
            object->hwnd = window;
            SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(object));
        }
    } else {
        object = reinterpret_cast<XoWindowBase*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    }
    // Messages before WM_CREATE (WM_NCCREATE, WM_GETMINMAXINFO) find no object.
    if (object == nullptr) return DefWindowProcW(window, message, wParam, lParam);
    try {
        return object->handleMessage(message, wParam, lParam);
    } catch (...) {
        // A failed WM_CREATE refuses the window; anything else counts as handled without effect.
        return message == WM_CREATE ? -1 : 0;
    }
}

// ---------------------------------------------------------------------------------------------

void* bindDialogObject(HWND dialog, LPARAM object) {
    if (object == 0) return nullptr;
    SetWindowLongPtrW(dialog, DWLP_USER, static_cast<LONG_PTR>(object));
    return reinterpret_cast<void*>(object);
}

void* boundDialogObject(HWND dialog) { return reinterpret_cast<void*>(GetWindowLongPtrW(dialog, DWLP_USER)); }

INT_PTR runDialog(int templateId, HWND parent, DLGPROC procedure, void* object) {
    return DialogBoxParamW(applicationInstance(), MAKEINTRESOURCEW(templateId), parent, procedure,
                           reinterpret_cast<LPARAM>(object));
}

// ---------------------------------------------------------------------------------------------

void TextControl::bind(HWND dialog, int controlId) { handle = GetDlgItem(dialog, controlId); }

void TextControl::read() { text = windowText(handle); }

void TextControl::write() const { setWindowText(handle, text); }

bool TextControl::requireText() const {
    if (!text.empty()) return true;
    SetFocus(handle);
    return false;
}

void ValueControl::bind(HWND dialog, int controlId) { handle = GetDlgItem(dialog, controlId); }

void ValueControl::readNumber() {
    wchar_t buffer[kNumberBufferSize] = {};
    const int copied = GetWindowTextW(handle, buffer, kNumberBufferSize);
    value = parseDecimal(sjisFromWide(std::wstring(buffer, copied > 0 ? static_cast<size_t>(copied) : 0)));
}

void ValueControl::writeNumber() const { SetWindowTextW(handle, wideFromSjis(formatInt(value)).c_str()); }

bool ValueControl::inRange(uint32_t min, uint32_t max) const {
    const uint32_t unsignedValue = static_cast<uint32_t>(value);
    if (min <= unsignedValue && unsignedValue <= max) return true;
    SetFocus(handle);
    return false;
}

bool ValueControl::requirePort() const {
    if (isValidPort(value)) return true;
    SetFocus(handle);
    return false;
}

void ValueControl::readCheck() {
    if (value != 0 && value != 1) return;
    value = static_cast<int32_t>(SendMessageW(handle, BM_GETCHECK, 0, 0));
}

void ValueControl::writeCheck() const {
    if (value == 0 || value == 1) {
        SendMessageW(handle, BM_SETCHECK, static_cast<WPARAM>(value), 0);
    } else {
        EnableWindow(handle, FALSE);
    }
}

void ValueControl::readSelection() {
    const LRESULT selected = SendMessageW(handle, CB_GETCURSEL, 0, 0);
    if (selected == CB_ERR) {
        value = -1;
        return;
    }
    value = static_cast<int32_t>(SendMessageW(handle, CB_GETITEMDATA, static_cast<WPARAM>(selected), 0));
}

void ValueControl::writeSelection() const {
    const LRESULT count = SendMessageW(handle, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        const LRESULT data = SendMessageW(handle, CB_GETITEMDATA, static_cast<WPARAM>(i), 0);
        if (static_cast<int32_t>(data) == value) SendMessageW(handle, CB_SETCURSEL, static_cast<WPARAM>(i), 0);
    }
}

void fillCombo(HWND combo, const OptionTable& options, size_t first, size_t count) {
    if (first >= options.size()) {
        SendMessageW(combo, CB_SETCURSEL, 0, 0);
        return;
    }
    const size_t available = options.size() - first;
    const size_t end = first + (count < available ? count : available);
    for (size_t i = first; i < end; ++i) {
        const std::wstring text = wideFromSjis(options[i].text);
        const LRESULT index = SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
        if (index == CB_ERR || index == CB_ERRSPACE) continue;
        SendMessageW(combo, CB_SETITEMDATA, static_cast<WPARAM>(index), static_cast<LPARAM>(options[i].value));
    }
    SendMessageW(combo, CB_SETCURSEL, 0, 0);
}

void fillCombo(HWND combo, const OptionTable& options) { fillCombo(combo, options, 0, options.size()); }

int findListItem(HWND list, intptr_t value) {
    const LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        if (SendMessageW(list, LB_GETITEMDATA, static_cast<WPARAM>(i), 0) == value) return static_cast<int>(i);
    }
    return -1;
}

// ---------------------------------------------------------------------------------------------

const wchar_t kProgramTitle[] = L"" PELORANE_PROGRAM_TITLE;

int informationBox(HWND owner, const std::wstring& text, UINT style) {
    return MessageBoxW(owner, text.c_str(), kProgramTitle, style);
}

int errorBox(HWND owner, const std::wstring& text) {
    return MessageBoxW(owner, text.c_str(), nullptr, MB_OK | MB_ICONERROR);
}

// ---------------------------------------------------------------------------------------------

bool DeviceContext::textOut(int x, int y, UINT options, const RECT* rectangle, const char* text, int count,
                            const INT* spacing) const {
    if (text == nullptr) return ExtTextOutW(dc_, x, y, options, rectangle, nullptr, 0, spacing) != FALSE;
    const size_t bytes = count < 0 ? std::strlen(text) : static_cast<size_t>(count);
    const std::wstring wide = wideFromSjis(std::string(text, bytes));
    return ExtTextOutW(dc_, x, y, options, rectangle, wide.c_str(), static_cast<UINT>(wide.size()), spacing) !=
           FALSE;
}

bool DeviceContext::drawText(int x, int y, const char* text, int count) const {
    return textOut(x, y, 0, nullptr, text, count, nullptr);
}

PaintContext::PaintContext(HWND window) : DeviceContext(nullptr), window_(window), paint_() {
    dc_ = BeginPaint(window_, &paint_);
}

PaintContext::~PaintContext() { EndPaint(window_, &paint_); }

SelectionGuard::SelectionGuard(const DeviceContext& context, HGDIOBJ object)
    : dc_(context.handle()), previous_(SelectObject(context.handle(), object)) {}

SelectionGuard::~SelectionGuard() {
    if (previous_ != nullptr && previous_ != HGDI_ERROR) SelectObject(dc_, previous_);
}
