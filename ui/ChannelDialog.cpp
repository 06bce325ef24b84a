// The channel settings dialog (102): edits the channel table in place, fetches it, writes "channels.ini" at OK.
#include <string>

#include "core/Application.h"
#include "platform/Sjis.h"
#include "recorder/ChannelPage.h"
#include "ui/Framework.h"
#include "ui/Resource.h"
#include "ui/SettingsDialogs.h"
#include "ui/SettingsExchange.h"
#include "ui/SettingsFiles.h"
#include "ui/Text.h"

namespace {

// A list line is formatted as into a 1024-byte buffer: longer lines are cut, never split inside a
// double-byte character.
constexpr size_t kChannelLineBytes = 1024;

struct ChannelDialog {
    HWND hwnd = nullptr;
    ConfigStore* config = nullptr;
    ChannelTable* channels = nullptr;
    ValueControl channel{nullptr, -1};  // combo 1040; the value is a ChannelEntry code, -1 for none
    TextControl name;
    TextControl mailCode;
    TextControl stationCode;
};

// "label<TAB>mailCode<TAB>name", at most kChannelLineBytes - 1 bytes.
std::string channelLine(const ChannelEntry& entry) {
    const std::string line = entry.label + '\t' + entry.mailCode + '\t' + entry.name;
    const size_t limit = kChannelLineBytes - 1;
    if (line.size() <= limit) return line;
    size_t end = 0;
    while (end < limit) {
        const size_t width = isSjisLeadByte(static_cast<unsigned char>(line[end])) ? 2 : 1;
        if (end + width > limit) break;
        end += width;
    }
    return line.substr(0, end);
}

HWND channelList(const ChannelDialog& dialog) { return GetDlgItem(dialog.hwnd, IDC_CHANNEL_LIST); }

// Inserts the entry's line at index (at the end for -1) with its code as item data.
void insertChannelLine(HWND list, int index, const ChannelEntry& entry) {
    const std::wstring text = wideFromSjis(channelLine(entry));
    const LRESULT at = SendMessageW(list, LB_INSERTSTRING, static_cast<WPARAM>(index),
                                    reinterpret_cast<LPARAM>(text.c_str()));
    if (at == LB_ERR || at == LB_ERRSPACE) return;
    SendMessageW(list, LB_SETITEMDATA, static_cast<WPARAM>(at), static_cast<LPARAM>(entry.code));
}

// Every entry in the combo; only entries with a station name in the list.
void fillChannelLists(const ChannelDialog& dialog) {
    const HWND combo = GetDlgItem(dialog.hwnd, IDC_CHANNEL_SELECT);
    const HWND list = channelList(dialog);
    SendMessageW(combo, CB_RESETCONTENT, 0, 0);
    SendMessageW(list, LB_RESETCONTENT, 0, 0);
    for (const auto& item : *dialog.channels) {
        const ChannelEntry& entry = item.second;
        const std::wstring label = wideFromSjis(entry.label);
        const LRESULT index = SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(label.c_str()));
        if (index != CB_ERR && index != CB_ERRSPACE) {
            SendMessageW(combo, CB_SETITEMDATA, static_cast<WPARAM>(index), static_cast<LPARAM>(entry.code));
        }
        if (!entry.name.empty()) insertChannelLine(list, -1, entry);
    }
}

// The boxes only: their texts come from the table by other ways (a list selection, "更新").
void exchange(ChannelDialog& dialog, Exchange direction) {
    SettingsExchange()
        .selection(dialog.channel, IDC_CHANNEL_SELECT)
        .text(dialog.name, IDC_CHANNEL_NAME)
        .text(dialog.mailCode, IDC_CHANNEL_MAIL_CODE)
        .text(dialog.stationCode, IDC_CHANNEL_STATION_CODE)
        .run(dialog.hwnd, nullptr, direction);
}

// A line of the list was chosen: its entry fills the boxes and the combo.
void showListedChannel(ChannelDialog& dialog) {
    const HWND list = channelList(dialog);
    const LRESULT selected = SendMessageW(list, LB_GETCURSEL, 0, 0);
    if (selected == LB_ERR) return;
    dialog.channel.value =
        static_cast<int32_t>(SendMessageW(list, LB_GETITEMDATA, static_cast<WPARAM>(selected), 0));
    const ChannelEntry* entry = dialog.channels->findByCode(dialog.channel.value);
    if (entry == nullptr) return;
    dialog.name.text = entry->name;
    dialog.mailCode.text = entry->mailCode;
    dialog.stationCode.text = entry->stationCode;
    exchange(dialog, Exchange::toControls);
}

// "更新": the boxes become the selected entry's fields and its list line is replaced; with both name
// and code empty the entry is taken off the list (its station code stays in memory).
void updateChannel(ChannelDialog& dialog) {
    exchange(dialog, Exchange::fromControls);
    const HWND list = channelList(dialog);
    const int index = findListItem(list, dialog.channel.value);
    ChannelEntry* entry = dialog.channels->findByCode(dialog.channel.value);
    if (entry == nullptr) return;
    // Focus the first empty box, as a hint; only both empty counts as clearing.
    const bool hasText = dialog.name.requireText() || dialog.mailCode.requireText();
    if (hasText) {
        entry->mailCode = dialog.mailCode.text;
        entry->name = dialog.name.text;
        entry->stationCode = dialog.stationCode.text;
        if (index != -1) SendMessageW(list, LB_DELETESTRING, static_cast<WPARAM>(index), 0);
        insertChannelLine(list, index, *entry);
    } else if (index != -1) {
        entry->mailCode.clear();
        entry->name.clear();
        SendMessageW(list, LB_DELETESTRING, static_cast<WPARAM>(index), 0);
    }
}

// "サーバから取得": without a recorder address the HTTP settings open instead; a failed fetch is silent.
void fetchChannels(ChannelDialog& dialog) {
    if (!dialog.config->isHttpConfigured()) {
        runHttpDialog(dialog.hwnd);
        return;
    }
    // What the boxes show now is what they show after the lists are refilled, typed text included.
    exchange(dialog, Exchange::fromControls);
    if (!fetchChannelList(*dialog.channels, *dialog.config)) return;
    fillChannelLists(dialog);
    exchange(dialog, Exchange::toControls);
}

void confirm(ChannelDialog& dialog) {
    // A failed write keeps the old file and is reported; the edits stay in memory.
    saveChannels(dialog.hwnd, *dialog.channels);
    EndDialog(dialog.hwnd, IDOK);
}

BOOL openChannelDialog(ChannelDialog& dialog) {
    Application& application = *theApplication();
    dialog.config = &application.config();
    dialog.channels = &application.channels();
    fillChannelLists(dialog);
    exchange(dialog, Exchange::toControls);
    return TRUE;
}

INT_PTR handleChannelDialog(ChannelDialog& dialog, UINT message, WPARAM wParam, LPARAM) {
    if (message != WM_COMMAND) return FALSE;
    if (handleOkOrCancel(dialog, wParam, confirm)) return TRUE;
    switch (LOWORD(wParam)) {
        case IDC_CHANNEL_LIST:
            if (HIWORD(wParam) == LBN_SELCHANGE) showListedChannel(dialog);
            break;
        case IDC_CHANNEL_UPDATE:
            updateChannel(dialog);
            break;
        case IDC_CHANNEL_FETCH:
            fetchChannels(dialog);
            break;
        default:
            break;
    }
    return TRUE;
}

}  // namespace

int runChannelDialog(HWND owner) {
    return runSettingsDialog<ChannelDialog, openChannelDialog, handleChannelDialog>(IDD_CHANNEL, owner);
}
