// The HTTP settings dialog (104): the recorder's address and login, and the proxy's.
#include "core/Application.h"
#include "ui/Framework.h"
#include "ui/Resource.h"
#include "ui/SettingsDialogs.h"

namespace {

struct HttpDialog {
    HWND hwnd = nullptr;
    ConfigStore* config = nullptr;
    TextControl httpServer;
    ValueControl httpPort;
    TextControl httpUser;
    TextControl httpPass;
    TextControl proxyServer;
    ValueControl proxyPort;
    TextControl proxyUser;
    TextControl proxyPass;
};

void exchange(HttpDialog& dialog, Exchange direction) {
    ConfigStore& config = *dialog.config;
    switch (direction) {
        case Exchange::toControls:
            dialog.httpServer.text = config.getHttpserver();
            dialog.httpPort.value = config.getHttpport();
            dialog.httpUser.text = config.getHttpuser();
            dialog.httpPass.text = config.getHttppass();
            dialog.proxyServer.text = config.getProxyserver();
            dialog.proxyPort.value = config.getProxyport();
            dialog.proxyUser.text = config.getProxyuser();
            dialog.proxyPass.text = config.getProxypass();
            dialog.httpServer.bind(dialog.hwnd, IDC_HTTP_SERVER);
            dialog.httpPort.bind(dialog.hwnd, IDC_HTTP_PORT);
            dialog.httpUser.bind(dialog.hwnd, IDC_HTTP_USER);
            dialog.httpPass.bind(dialog.hwnd, IDC_HTTP_PASS);
            dialog.proxyServer.bind(dialog.hwnd, IDC_PROXY_SERVER);
            dialog.proxyPort.bind(dialog.hwnd, IDC_PROXY_PORT);
            dialog.proxyUser.bind(dialog.hwnd, IDC_PROXY_USER);
            dialog.proxyPass.bind(dialog.hwnd, IDC_PROXY_PASS);
            dialog.httpServer.write();
            dialog.httpPort.writeNumber();
            dialog.httpUser.write();
            dialog.httpPass.write();
            dialog.proxyServer.write();
            dialog.proxyPort.writeNumber();
            dialog.proxyUser.write();
            dialog.proxyPass.write();
            break;
        case Exchange::fromControls:
            dialog.httpServer.read();
            dialog.httpPort.readNumber();
            dialog.httpUser.read();
            dialog.httpPass.read();
            dialog.proxyServer.read();
            dialog.proxyPort.readNumber();
            dialog.proxyUser.read();
            dialog.proxyPass.read();
            break;
        case Exchange::toSettings:
            config.setHttpserver(dialog.httpServer.text);
            config.setHttpport(dialog.httpPort.value);
            config.setHttppass(dialog.httpPass.text);
            config.setHttpuser(dialog.httpUser.text);
            config.setProxyserver(dialog.proxyServer.text);
            config.setProxyport(dialog.proxyPort.value);
            config.setProxyuser(dialog.proxyUser.text);
            config.setProxypass(dialog.proxyPass.text);
            break;
    }
}

void confirm(HttpDialog& dialog) {
    exchange(dialog, Exchange::fromControls);
    if (!dialog.httpServer.requireText()) return;
    exchange(dialog, Exchange::toSettings);
    // A failed write leaves the old file in place and is not reported: the settings stay in memory
    // and are written again when the program ends.
    dialog.config->save();
    EndDialog(dialog.hwnd, IDOK);
}

BOOL openHttpDialog(HttpDialog& dialog) {
    dialog.config = &theApplication()->config();
    exchange(dialog, Exchange::toControls);
    return TRUE;
}

INT_PTR handleHttpDialog(HttpDialog& dialog, UINT message, WPARAM wParam, LPARAM) {
    if (message != WM_COMMAND) return FALSE;
    switch (LOWORD(wParam)) {
        case IDOK:
            confirm(dialog);
            break;
        case IDCANCEL:
            EndDialog(dialog.hwnd, IDCANCEL);
            break;
        default:
            break;
    }
    return TRUE;
}

}  // namespace

int runHttpDialog(HWND owner) {
    if (theApplication() == nullptr) return -1;
    HttpDialog dialog;
    return static_cast<int>(runModalDialog<HttpDialog, openHttpDialog, handleHttpDialog>(IDD_HTTP, owner, dialog));
}
