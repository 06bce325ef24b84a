// The HTTP settings dialog (104): the recorder's address and login, and the proxy's.
#include "core/Application.h"
#include "ui/Framework.h"
#include "ui/Resource.h"
#include "ui/SettingsDialogs.h"
#include "ui/SettingsExchange.h"
#include "ui/SettingsFiles.h"

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
    using C = ConfigStore;
    SettingsExchange()
        .text(dialog.httpServer, IDC_HTTP_SERVER, &C::getHttpserver, &C::setHttpserver)
        .number(dialog.httpPort, IDC_HTTP_PORT, &C::getHttpport, &C::setHttpport)
        .text(dialog.httpPass, IDC_HTTP_PASS, &C::getHttppass, &C::setHttppass)
        .text(dialog.httpUser, IDC_HTTP_USER, &C::getHttpuser, &C::setHttpuser)
        .text(dialog.proxyServer, IDC_PROXY_SERVER, &C::getProxyserver, &C::setProxyserver)
        .number(dialog.proxyPort, IDC_PROXY_PORT, &C::getProxyport, &C::setProxyport)
        .text(dialog.proxyUser, IDC_PROXY_USER, &C::getProxyuser, &C::setProxyuser)
        .text(dialog.proxyPass, IDC_PROXY_PASS, &C::getProxypass, &C::setProxypass)
        .run(dialog.hwnd, dialog.config, direction);
}

void confirm(HttpDialog& dialog) {
    exchange(dialog, Exchange::fromControls);
    if (!dialog.httpServer.requireText() || !dialog.httpPort.requirePort()) return;
    // The proxy's port matters only once a proxy is named, as for the stored settings.
    if (!dialog.proxyServer.text.empty() && !dialog.proxyPort.requirePort()) return;
    exchange(dialog, Exchange::toSettings);
    // A failed write leaves the old file in place and is reported: the settings stay in memory and
    // are tried again when the program ends.
    saveSettings(dialog.hwnd, *dialog.config);
    EndDialog(dialog.hwnd, IDOK);
}

BOOL openHttpDialog(HttpDialog& dialog) {
    dialog.config = &theApplication()->config();
    exchange(dialog, Exchange::toControls);
    return TRUE;
}

INT_PTR handleHttpDialog(HttpDialog& dialog, UINT message, WPARAM wParam, LPARAM) {
    if (message != WM_COMMAND) return FALSE;
    handleOkOrCancel(dialog, wParam, confirm);
    return TRUE;
}

}  // namespace

int runHttpDialog(HWND owner) {
    return runSettingsDialog<HttpDialog, openHttpDialog, handleHttpDialog>(IDD_HTTP, owner);
}
