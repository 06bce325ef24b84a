#include "ui/SettingsExchange.h"

#include "ui/Resource.h"

SettingsExchange& SettingsExchange::text(TextControl& control, int controlId, TextGetter get, TextSetter set) {
    rows_.push_back(Row{Kind::text, controlId, &control, nullptr, get, set, nullptr, nullptr});
    return *this;
}

SettingsExchange& SettingsExchange::number(ValueControl& control, int controlId, ValueGetter get, ValueSetter set) {
    rows_.push_back(Row{Kind::number, controlId, nullptr, &control, nullptr, nullptr, get, set});
    return *this;
}

SettingsExchange& SettingsExchange::selection(ValueControl& control, int controlId, ValueGetter get,
                                              ValueSetter set) {
    rows_.push_back(Row{Kind::selection, controlId, nullptr, &control, nullptr, nullptr, get, set});
    return *this;
}

SettingsExchange& SettingsExchange::sharedAddresses(TextControl& from, TextControl& to, TextControl& rdUser) {
    using C = ConfigStore;
    return text(from, IDC_FROM, &C::getFrom, &C::setFrom)
        .text(to, IDC_TO, &C::getTo, &C::setTo)
        .text(rdUser, IDC_RDUSER, &C::getRduser, &C::setRduser);
}

void SettingsExchange::run(HWND dialog, ConfigStore* config, Exchange direction) const {
    for (const Row& row : rows_) {
        switch (direction) {
            case Exchange::toControls:
                toControls(row, dialog, config);
                break;
            case Exchange::fromControls:
                fromControls(row);
                break;
            case Exchange::toSettings:
                if (config != nullptr) toSettings(row, *config);
                break;
        }
    }
}

void SettingsExchange::toControls(const Row& row, HWND dialog, const ConfigStore* config) {
    if (row.kind == Kind::text) {
        TextControl& control = *row.textControl;
        if (config != nullptr && row.getText != nullptr) control.text = (config->*row.getText)();
        control.bind(dialog, row.controlId);
        control.write();
        return;
    }
    ValueControl& control = *row.valueControl;
    if (config != nullptr && row.getValue != nullptr) control.value = (config->*row.getValue)();
    control.bind(dialog, row.controlId);
    if (row.kind == Kind::number) {
        control.writeNumber();
    } else {
        control.writeSelection();
    }
}

void SettingsExchange::fromControls(const Row& row) {
    switch (row.kind) {
        case Kind::text:
            row.textControl->read();
            break;
        case Kind::number:
            row.valueControl->readNumber();
            break;
        case Kind::selection:
            row.valueControl->readSelection();
            break;
    }
}

void SettingsExchange::toSettings(const Row& row, ConfigStore& config) {
    if (row.kind == Kind::text) {
        if (row.setText != nullptr) (config.*row.setText)(row.textControl->text);
    } else if (row.setValue != nullptr) {
        (config.*row.setValue)(row.valueControl->value);
    }
}
