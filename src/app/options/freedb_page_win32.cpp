#include "app/options/freedb_page_win32.h"

#include "app/main_window/progress_window_win32.h"
#include "base/event_log.h"
#include "base/message_box.h"
#include "freedb/freedb_operations.h"
#include "res/resource.h"
#include "ui/controls_win32.h"

#include <optional>

namespace rubo {

Page2::Page2(OptionsSheetContext& context, OptionsSheetValues& values)
    : OptionsValuesPage(IDD_OPTIONS_FREEDB, OptionsPage::Freedb, values), context_(context) {}

BOOL Page2::onInitDialog() {
    OptionsValuesPage::onInitDialog();
    setItemText(IDC_OPT_SITE_MAIN, kDefaultFreedbHost);
    fillMirrors();
    showValues();
    return TRUE;
}

// The box's rows are the server list's sites, in its order, so a row's index
// is its site's.
void Page2::fillMirrors() {
    const std::vector<std::string> hosts =
        serverListHosts(*context_.serverList, values_.options.cddbMirrorSite);
    ui::ComboBox list(item(IDC_OPT_MIRRORS));
    list.resetContent();
    for (const std::string& host : hosts)
        list.addString(host);
    list.setCurSel(serverListSelection(hosts, values_.options.cddbMirrorSite));
}

// The selected mirror becomes the mirror host, with its port when the
// server list knows it.
void Page2::takeMirror() {
    const int selected = ui::ComboBox(item(IDC_OPT_MIRRORS)).curSel();
    if (selected < 0)
        return;
    const std::vector<FreedbSite>& list = *context_.serverList;
    const auto at = static_cast<std::size_t>(selected);
    if (at < list.size()) {
        values_.options.cddbMirrorSite = list[at].host;
        values_.options.cddbMirrorPort = list[at].port;
    }
}

int Page2::serverChoice() const {
    if (isItemChecked(IDC_OPT_SITE_MIRROR))
        return kServerChoiceMirror;
    if (isItemChecked(IDC_OPT_SITE_CUSTOM))
        return kServerChoiceCustom;
    return kServerChoiceDefault;
}

void Page2::readPage() {
    readValues();
    takeMirror();
}

bool Page2::onCommand(int id, int code, HWND control) {
    switch (id) {
    case IDC_OPT_MIRRORS:
        if (code == CBN_SELCHANGE)
            takeMirror();
        return true;
    case IDC_OPT_GET_MIRRORS:
        getMirrors();
        return true;
    case IDC_OPT_STATUS:
        showSiteAction(true);
        return true;
    case IDC_OPT_MOTD:
        showSiteAction(false);
        return true;
    default:
        return OptionsValuesPage::onCommand(id, code, control);
    }
}

namespace {

// The page's client for its current values; empty when the socket layer
// could not start (its message has been shown).
struct PageClient {
    FreedbClient client;
    FreedbServer server;
};

bool setUp(PageClient& page, OptionsSheetContext& context, const Options& values, int choice) {
    if (context.log)
        page.client.setEventLog(*context.log);
    return setUpPageClient(page.client, *context.saved, values, choice, page.server);
}

} // namespace

void Page2::getMirrors() {
    readPage();
    PageClient page;
    if (!setUp(page, context_, values_.options, serverChoice()))
        return;
    std::vector<FreedbSite> sites;
    bool updated = false;
    {
        app::ProgressWindow progress(GetParent(hwnd()));
        progress.open(kContactingSiteText, page.server.host);
        updated = updateServerList(page.client, querySite(page.server), *context_.settings, sites);
        progress.close();
    }
    if (!updated)
        return;
    *context_.serverList = std::move(sites);
    fillMirrors();
}

void Page2::showSiteAction(bool status) {
    readPage();
    PageClient page;
    if (!setUp(page, context_, values_.options, serverChoice()))
        return;
    FreedbSiteText text;
    {
        app::ProgressWindow progress(GetParent(hwnd()));
        progress.open(kContactingSiteText, page.server.host);
        const FreedbSite site = querySite(page.server);
        text =
            status ? serverStatusText(page.client, site) : messageOfTheDayText(page.client, site);
        progress.close();
    }
    app::showSiteText(GetParent(hwnd()), text);
}

bool Page2::onApply() {
    OptionsValuesPage::onApply();
    const std::optional<PortRefusal> refusal = checkPorts(values_);
    if (!refusal)
        return true;
    showMessage("%s", refusal->message.c_str());
    return false;
}

} // namespace rubo
