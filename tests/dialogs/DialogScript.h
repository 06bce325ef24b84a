// Scripted modal dialogs for in-process tests: a thread timer runs one step per tick against the
// innermost open dialog, so a step can press a button that opens another dialog over it.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

class DialogScript {
public:
    using Step = std::function<void(HWND dialog)>;

    explicit DialogScript(std::vector<Step> steps);
    ~DialogScript();
    DialogScript(const DialogScript&) = delete;
    DialogScript& operator=(const DialogScript&) = delete;

    // Runs open (which shows a modal dialog) while the steps play; true when every step ran and the
    // last one left no dialog open. Dialogs still open after the steps are cancelled.
    bool play(const std::function<int()>& open, int* result);

private:
    static void CALLBACK tick(HWND, UINT, UINT_PTR, DWORD);
    void step();

    std::vector<Step> steps_;
    size_t next_ = 0;
    int idleTicks_ = 0;
    bool overran_ = false;
    UINT_PTR timer_ = 0;
};

// Test access to the controls of a dialog, texts in Shift_JIS.
std::string itemText(HWND dialog, int id);
void setItemText(HWND dialog, int id, const std::string& sjis);
// Posts the button's click, so that a dialog it opens runs in the next steps.
void press(HWND dialog, int id);
// Selects the combo item whose item data is value; false when there is none.
bool selectComboValue(HWND dialog, int id, intptr_t value);
// The same as a user's pick: the selection, then its CBN_SELCHANGE to the dialog.
bool chooseComboValue(HWND dialog, int id, intptr_t value);
// The item data of the selected combo item, -1 without a selection.
intptr_t selectedComboValue(HWND dialog, int id);
// The combo's item texts and data, in display order.
std::vector<std::pair<std::string, intptr_t>> comboItems(HWND dialog, int id);
// The list box's lines.
std::vector<std::string> listLines(HWND dialog, int id);
// Selects a list line the way a click does, with its LBN_SELCHANGE.
void clickListLine(HWND dialog, int id, int index);
// Moves the focus to the control, as tabbing into it does.
void focusItem(HWND dialog, int id);
// The identifier of the control that has the keyboard focus, 0 for none.
int focusedItem();
// The dialog's caption.
std::wstring caption(HWND dialog);
