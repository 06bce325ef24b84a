// What the settings dialogs share: the exchange as a table (each row ties a control wrapper to its box
// and, for boxes that show a setting, to the ConfigStore accessors that load and store it), OK and
// Cancel, and the modal start.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "core/Application.h"
#include "settings/ConfigStore.h"
#include "ui/Framework.h"

class SettingsExchange {
public:
    using TextGetter = std::string (ConfigStore::*)() const;
    using TextSetter = void (ConfigStore::*)(const std::string&);
    using ValueGetter = int32_t (ConfigStore::*)() const;
    using ValueSetter = void (ConfigStore::*)(int32_t);

    // A text box. Without accessors the row only moves text between the wrapper and the box.
    SettingsExchange& text(TextControl& control, int controlId, TextGetter get = nullptr, TextSetter set = nullptr);
    // A number box (decimal text).
    SettingsExchange& number(ValueControl& control, int controlId, ValueGetter get = nullptr, ValueSetter set = nullptr);
    // A combo box whose item data are the values.
    SettingsExchange& selection(ValueControl& control, int controlId, ValueGetter get = nullptr,
                                ValueSetter set = nullptr);

    // "送信元", "宛先" and "RDユーザ", which the mail and tool dialogs both edit.
    SettingsExchange& sharedAddresses(TextControl& from, TextControl& to, TextControl& rdUser);

    // toControls: load each wrapper from the settings (rows with accessors), bind it, show it;
    // fromControls: read every box into its wrapper; toSettings: store every wrapper that has a setter.
    // config may be null when no row has accessors.
    void run(HWND dialog, ConfigStore* config, Exchange direction) const;

private:
    enum class Kind { text, number, selection };
    struct Row {
        Kind kind;
        int controlId;
        TextControl* textControl;
        ValueControl* valueControl;
        TextGetter getText;
        TextSetter setText;
        ValueGetter getValue;
        ValueSetter setValue;
    };

    static void toControls(const Row& row, HWND dialog, const ConfigStore* config);
    static void fromControls(const Row& row);
    static void toSettings(const Row& row, ConfigStore& config);

    std::vector<Row> rows_;
};

// OK runs confirm, which ends the dialog only when its checks pass; Cancel ends it. False for any
// other command.
template <typename Dialog>
bool handleOkOrCancel(Dialog& dialog, WPARAM wParam, void (*confirm)(Dialog&)) {
    switch (LOWORD(wParam)) {
        case IDOK:
            confirm(dialog);
            return true;
        case IDCANCEL:
            EndDialog(dialog.hwnd, IDCANCEL);
            return true;
        default:
            return false;
    }
}

// Shows the dialog modally over owner with a fresh object: the EndDialog value, or -1 when there is
// no application or the dialog could not be created.
template <typename Dialog, BOOL (*onInit)(Dialog&), INT_PTR (*onMessage)(Dialog&, UINT, WPARAM, LPARAM)>
int runSettingsDialog(int templateId, HWND owner) {
    if (theApplication() == nullptr) return -1;
    Dialog dialog;
    return static_cast<int>(runModalDialog<Dialog, onInit, onMessage>(templateId, owner, dialog));
}
