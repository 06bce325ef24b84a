// Window and dialog framework: the window base class, modal dialog binding, control wrappers, drawing contexts.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>

class OptionTable;

// ---------------------------------------------------------------------------------------------
// Windows that are not dialogs (the timeline).

// Root of the window family: only the virtual destructor.
class XoWindowRoot {
public:
    virtual ~XoWindowRoot() = default;
};

class XoWindowBase : public XoWindowRoot {
public:
    XoWindowBase() = default;
    XoWindowBase(const XoWindowBase&) = delete;
    XoWindowBase& operator=(const XoWindowBase&) = delete;

    // The message handler; answers defaultProc for every message it does not handle.
    virtual LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam) = 0;
    // DefWindowProc of this window.
    virtual LRESULT defaultProc(UINT message, WPARAM wParam, LPARAM lParam);

    // Registers the class "XoWindowBase" on first use, then creates the window with this object as
    // its creation parameter; the object must outlive the window. True when a window was created.
    bool create(HWND parent, DWORD style, int x, int y, int width, int height, int id);

    // The atom of the class "XoWindowBase"; 0 until the first create.
    static ATOM classAtom();

    HWND hwnd = nullptr;  // set by WM_CREATE
};

// The class's window procedure: binds the object at WM_CREATE, then forwards to its handleMessage.
LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// ---------------------------------------------------------------------------------------------
// Modal dialogs. A dialog object is a plain record whose first field is `HWND hwnd`; it lives on the
// stack of its start function while the dialog runs and is found through the DWLP_USER slot.

// Stores the object (the WM_INITDIALOG lParam) in the dialog's user slot and returns it; null when
// the dialog was started without an object.
void* bindDialogObject(HWND dialog, LPARAM object);
// The object bound to the dialog; null before WM_INITDIALOG.
void* boundDialogObject(HWND dialog);

// DialogBoxParamW with the application's module, a numeric template and the object as parameter.
// Returns the EndDialog value, or -1 when the dialog could not be created.
INT_PTR runDialog(int templateId, HWND parent, DLGPROC procedure, void* object);

// One dialog procedure built from two handlers:
//   BOOL onInit(Dialog&)                        — after binding: fill, exchange; TRUE lets the dialog set the focus
//   INT_PTR onMessage(Dialog&, UINT, WPARAM, LPARAM) — TRUE when handled, FALSE for the default handling
// Without an object WM_INITDIALOG answers FALSE and every other message FALSE. No exception leaves
// the procedure: one thrown while opening ends the dialog with -1, later ones count as unhandled.
template <typename Dialog, BOOL (*onInit)(Dialog&), INT_PTR (*onMessage)(Dialog&, UINT, WPARAM, LPARAM)>
INT_PTR CALLBACK dialogProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    if (message == WM_INITDIALOG) {
        Dialog* dialog = static_cast<Dialog*>(bindDialogObject(window, lParam));
        if (dialog == nullptr) return FALSE;
        dialog->hwnd = window;
        try {
            return onInit(*dialog);
        } catch (...) {
            EndDialog(window, -1);
            return FALSE;
        }
    }
    Dialog* dialog = static_cast<Dialog*>(boundDialogObject(window));
    if (dialog == nullptr) return FALSE;
    try {
        return onMessage(*dialog, message, wParam, lParam);
    } catch (...) {
        return FALSE;
    }
}

// Runs the dialog modally with dialogProcedure<Dialog, onInit, onMessage> and the object.
template <typename Dialog, BOOL (*onInit)(Dialog&), INT_PTR (*onMessage)(Dialog&, UINT, WPARAM, LPARAM)>
INT_PTR runModalDialog(int templateId, HWND parent, Dialog& dialog) {
    return runDialog(templateId, parent, &dialogProcedure<Dialog, onInit, onMessage>, &dialog);
}

// The three directions of a settings dialog's data exchange.
enum class Exchange { toControls = 0, fromControls = 1, toSettings = 2 };

// ---------------------------------------------------------------------------------------------
// Control wrappers: the value a dialog edits and the control that shows it.

// A text box. The text is Shift_JIS.
struct TextControl {
    HWND handle = nullptr;
    std::string text;

    // Looks the control up by its identifier.
    void bind(HWND dialog, int controlId);
    // text := the control's whole window text.
    void read();
    // The control's window text := text.
    void write() const;
    // True when text is not empty; otherwise focuses the control. Reads nothing: call read first.
    bool requireText() const;
};

// A number box, check box or combo box; the operation used decides what value means.
struct ValueControl {
    HWND handle = nullptr;
    int32_t value = 0;

    void bind(HWND dialog, int controlId);
    // value := the leading decimal number of the first 31 characters of text (atoi; none gives 0).
    void readNumber();
    // The window text := value as "%d".
    void writeNumber() const;
    // True when min <= value <= max compared unsigned (negative values fail); otherwise focuses the control.
    bool inRange(uint32_t min, uint32_t max) const;
    // True when value is a port (1-65535); otherwise focuses the control, like an empty required text.
    bool requirePort() const;
    // Only when value is 0 or 1: value := the check state; other values stay.
    void readCheck();
    // Value 0 or 1 sets the check state; any other value disables the control.
    void writeCheck() const;
    // value := the item data of the selected combo item, or -1 when nothing is selected.
    void readSelection();
    // Selects the last combo item whose data equals value; no match leaves the selection alone.
    void writeSelection() const;
};

// Appends count options from index first (in table order) as combo items with their values as item
// data, then selects the first item. count is cut to what the table holds.
void fillCombo(HWND combo, const OptionTable& options, size_t first, size_t count);
// All options of the table.
void fillCombo(HWND combo, const OptionTable& options);
// The first list-box index whose item data equals value, or -1.
int findListItem(HWND list, intptr_t value);

// ---------------------------------------------------------------------------------------------
// Message boxes. A box without a caption of its own is titled "エラー" by Windows: right for a
// failure, wrong for anything else.

// The program's title, the main dialog's caption: "Pelorane".
extern const wchar_t kProgramTitle[];
// A box that informs, warns or asks, titled with the program's title. style: MessageBox's buttons and
// icon. Its answer (IDOK, IDYES, ...).
int informationBox(HWND owner, const std::wstring& text, UINT style = MB_OK | MB_ICONINFORMATION);
// A box that reports a failure, with the system's caption and the error icon.
int errorBox(HWND owner, const std::wstring& text);

// ---------------------------------------------------------------------------------------------
// Drawing.

// A drawing context that is not owned; text is Shift_JIS.
class DeviceContext {
public:
    explicit DeviceContext(HDC dc) : dc_(dc) {}
    HDC handle() const { return dc_; }

    // ExtTextOut. A negative count with a text means the whole text (count is in bytes). spacing, when
    // given, holds one advance per UTF-16 unit of the converted text. With ETO_OPAQUE, a rectangle and
    // no text it fills the rectangle with the background colour.
    bool textOut(int x, int y, UINT options, const RECT* rectangle, const char* text, int count,
                 const INT* spacing) const;
    // textOut without options, rectangle or spacing.
    bool drawText(int x, int y, const char* text, int count = -1) const;

protected:
    HDC dc_;
};

// The painting context of one WM_PAINT: BeginPaint when made, EndPaint when it ends.
class PaintContext : public DeviceContext {
public:
    explicit PaintContext(HWND window);
    ~PaintContext();
    PaintContext(const PaintContext&) = delete;
    PaintContext& operator=(const PaintContext&) = delete;

    const PAINTSTRUCT& paint() const { return paint_; }
    const RECT& updateRect() const { return paint_.rcPaint; }

private:
    HWND window_;
    PAINTSTRUCT paint_;
};

// Selects an object into a context and the previous one back when it ends (also on early exit).
class SelectionGuard {
public:
    SelectionGuard(const DeviceContext& context, HGDIOBJ object);
    ~SelectionGuard();
    SelectionGuard(const SelectionGuard&) = delete;
    SelectionGuard& operator=(const SelectionGuard&) = delete;

private:
    HDC dc_;
    HGDIOBJ previous_;
};
