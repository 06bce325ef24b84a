// Scripted modal dialogs: timer ticks find the enabled dialog of this thread and run the next step.
#include "tests/dialogs/DialogScript.h"

#include "ui/Text.h"

namespace {

// Ticks after the last step before a dialog still open counts as left behind.
constexpr int kIdleTicksAllowed = 50;
constexpr UINT kTickMs = 20;

DialogScript* current = nullptr;

BOOL CALLBACK collectDialog(HWND window, LPARAM found) {
    wchar_t className[16] = {};
    GetClassNameW(window, className, 16);
    // A nested modal dialog disables its owner: the enabled one is the innermost.
    if (std::wstring(className) == L"#32770" && IsWindowVisible(window) && IsWindowEnabled(window)) {
        *reinterpret_cast<HWND*>(found) = window;
    }
    return TRUE;
}

HWND innermostDialog() {
    HWND found = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), &collectDialog, reinterpret_cast<LPARAM>(&found));
    return found;
}

}  // namespace

DialogScript::DialogScript(std::vector<Step> steps) : steps_(std::move(steps)) {}

DialogScript::~DialogScript() {
    if (timer_ != 0) KillTimer(nullptr, timer_);
    if (current == this) current = nullptr;
}

bool DialogScript::play(const std::function<int()>& open, int* result) {
    current = this;
    timer_ = SetTimer(nullptr, 0, kTickMs, &DialogScript::tick);
    const int value = open();
    KillTimer(nullptr, timer_);
    timer_ = 0;
    current = nullptr;
    if (result != nullptr) *result = value;
    return next_ == steps_.size() && !overran_;
}

void CALLBACK DialogScript::tick(HWND, UINT, UINT_PTR, DWORD) {
    if (current != nullptr) current->step();
}

void DialogScript::step() {
    const HWND dialog = innermostDialog();
    if (dialog == nullptr) return;
    if (next_ < steps_.size()) {
        const Step& run = steps_[next_++];  // counted first: the step may open a nested dialog
        run(dialog);
        return;
    }
    if (++idleTicks_ > kIdleTicksAllowed) {
        overran_ = true;
        EndDialog(dialog, IDCANCEL);
    }
}

std::string itemText(HWND dialog, int id) { return dialogItemText(dialog, id); }

void setItemText(HWND dialog, int id, const std::string& sjis) { setDialogItemText(dialog, id, sjis); }

void press(HWND dialog, int id) {
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

bool selectComboValue(HWND dialog, int id, intptr_t value) {
    const HWND combo = GetDlgItem(dialog, id);
    const LRESULT count = SendMessageW(combo, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        if (SendMessageW(combo, CB_GETITEMDATA, static_cast<WPARAM>(i), 0) == value) {
            SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(i), 0);
            return true;
        }
    }
    return false;
}

bool chooseComboValue(HWND dialog, int id, intptr_t value) {
    if (!selectComboValue(dialog, id, value)) return false;
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
    return true;
}

intptr_t selectedComboValue(HWND dialog, int id) {
    const HWND combo = GetDlgItem(dialog, id);
    const LRESULT selected = SendMessageW(combo, CB_GETCURSEL, 0, 0);
    if (selected == CB_ERR) return -1;
    return SendMessageW(combo, CB_GETITEMDATA, static_cast<WPARAM>(selected), 0);
}

std::vector<std::pair<std::string, intptr_t>> comboItems(HWND dialog, int id) {
    const HWND combo = GetDlgItem(dialog, id);
    std::vector<std::pair<std::string, intptr_t>> items;
    const LRESULT count = SendMessageW(combo, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        std::wstring text(static_cast<size_t>(SendMessageW(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0)), L'\0');
        SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&text[0]));
        items.emplace_back(sjisFromWide(text), SendMessageW(combo, CB_GETITEMDATA, static_cast<WPARAM>(i), 0));
    }
    return items;
}

std::vector<std::string> listLines(HWND dialog, int id) {
    const HWND list = GetDlgItem(dialog, id);
    std::vector<std::string> lines;
    const LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        std::wstring text(static_cast<size_t>(SendMessageW(list, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0)), L'\0');
        SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&text[0]));
        lines.push_back(sjisFromWide(text));
    }
    return lines;
}

void clickListLine(HWND dialog, int id, int index) {
    const HWND list = GetDlgItem(dialog, id);
    SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, LBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
}

void focusItem(HWND dialog, int id) { SetFocus(GetDlgItem(dialog, id)); }

int focusedItem() {
    const HWND focus = GetFocus();
    return focus == nullptr ? 0 : GetDlgCtrlID(focus);
}

std::wstring caption(HWND dialog) {
    wchar_t text[128] = {};
    GetWindowTextW(dialog, text, 128);
    return text;
}
