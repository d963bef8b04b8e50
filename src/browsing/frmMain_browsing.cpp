// The main window's browsing handlers: the side column's navigation buttons, the five
// buttons that hand a fixed address to the system's browser, the song search, and the
// answers to the browser views' new-window and document-complete events.
#include "app/Form1.h"
#include "app/build_config.h"
#include "app/frmMain.h"
#include "browsing/UrlLauncher.h"
#include "core/portal/addresses.h"

namespace lorvex {

namespace {

QString Text(const std::string& utf8) { return QString::fromStdString(utf8); }

}  // namespace

void frmMain::WireBrowsingEvents() {
    connect(Command1, &QPushButton::clicked, this, &frmMain::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &frmMain::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &frmMain::Command3_Click);
    connect(Command5, &QPushButton::clicked, this, &frmMain::Command5_Click);
    connect(Command9, &QPushButton::clicked, this, &frmMain::Command9_Click);
    connect(Command10, &QPushButton::clicked, this, &frmMain::Command10_Click);
    connect(Command11, &QPushButton::clicked, this, &frmMain::Command11_Click);
    connect(Command12, &QPushButton::clicked, this, &frmMain::Command12_Click);
    connect(Command13, &QPushButton::clicked, this, &frmMain::Command13_Click);
    connect(Command14, &QPushButton::clicked, this, &frmMain::Command14_Click);
    connect(Text1, &QLineEdit::returnPressed, this, [this] { Text1_KeyPress(13); });

    WebBrowser1->SetNewWindowHandler([this] { return WebBrowser1_NewWindow2(); });
    WebBrowser2->SetNewWindowHandler([this] { return WebBrowser2_NewWindow2(); });
    connect(WebBrowser2, &QWebEngineView::loadFinished, this,
            [this] { WebBrowser2_DocumentComplete(); });
}

PortalAddresses frmMain::Addresses() const {
    return MakePortalAddresses(portalOrigin_, kBuildForumOrigin);
}

void frmMain::Command1_Click() { WebBrowser1->Navigate(Text(Addresses().categories)); }

// Back and forward move the side column only; with no page that way nothing happens.
void frmMain::Command2_Click() { WebBrowser1->GoBack(); }
void frmMain::Command3_Click() { WebBrowser1->GoForward(); }

void frmMain::Command5_Click() { WebBrowser1->Navigate(Text(Addresses().about)); }

// The system-browser buttons hand one fixed address each to the system's web browser; a
// failure to open it shows nothing.
void frmMain::OpenOutside(std::string PortalAddresses::*address) {
    services_.launcher->OpenInBrowser(Text(Addresses().*address));
}
void frmMain::Command9_Click() { OpenOutside(&PortalAddresses::ringtone); }
void frmMain::Command10_Click() { OpenOutside(&PortalAddresses::movie); }
void frmMain::Command11_Click() { OpenOutside(&PortalAddresses::animation); }
void frmMain::Command12_Click() { OpenOutside(&PortalAddresses::forum); }
void frmMain::Command14_Click() { OpenOutside(&PortalAddresses::home); }

void frmMain::Command13_Click() { Search(); }

// Return in the search box searches as the button does; the key still reaches the box.
void frmMain::Text1_KeyPress(int keyAscii) {
    if (keyAscii == 13) Search();
}

void frmMain::Search() {
    WebBrowser1->Navigate(Text(SearchAddress(Addresses(), Text1->text().toStdString())));
}

// A new window of the side column opens in the main view.
QWebEnginePage* frmMain::WebBrowser1_NewWindow2() { return WebBrowser2->EnsurePage(); }

// A new window of the main view loads out of sight in the pop-up host.
QWebEnginePage* frmMain::WebBrowser2_NewWindow2() { return PopupHost().WebBrowser1->EnsurePage(); }

void frmMain::WebBrowser2_DocumentComplete() {
    WebBrowser2->HideScrollBars();
    Command7->setEnabled(CollectEnabledFor(WebBrowser2->LocationURL()));
}

}  // namespace lorvex
