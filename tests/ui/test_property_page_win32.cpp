#include <doctest.h>

#include "support/ui_test_support_win32.h"
#include "test_ui_resources.h"
#include "ui/property_page_win32.h"
#include "ui/tooltip_dialog_win32.h"

#include <commctrl.h>

#include <string>
#include <vector>

using namespace rubo;
using namespace rubo::ui;

namespace {

struct TestPage : ToolTipPropertyPage {
    TestPage() : ToolTipPropertyPage(IDD_T_PAGE) {}
    std::vector<std::string> calls;
    bool acceptApply = true;
    bool onApply() override {
        calls.push_back("apply");
        return acceptApply;
    }
    void onSetActive() override { calls.push_back("active"); }
    bool onKillActive() override {
        calls.push_back("kill");
        return true;
    }
};

// A modeless sheet with one page.
struct Sheet {
    explicit Sheet(TestPage& page) {
        PROPSHEETPAGEA record;
        page.fillPage(record);
        HPROPSHEETPAGE handle = CreatePropertySheetPageA(&record);
        REQUIRE(handle);
        PROPSHEETHEADERA header{};
        header.dwSize = sizeof(header);
        header.dwFlags = PSH_MODELESS;
        header.pszCaption = "Sheet";
        header.nPages = 1;
        header.phpage = &handle;
        window = reinterpret_cast<HWND>(PropertySheetA(&header));
        REQUIRE(window);
    }
    ~Sheet() { DestroyWindow(window); }
    HWND window = nullptr;
};

std::string joined(const std::vector<std::string>& calls) {
    std::string text;
    for (const std::string& call : calls)
        text += call + " ";
    return text;
}

int toolCount(HWND toolTip) {
    return static_cast<int>(SendMessageA(toolTip, TTM_GETTOOLCOUNT, 0, 0));
}

} // namespace

TEST_CASE("a property page gets its tool tips by control id and its own flag") {
    CToolTipDialog::setToolTipsActive(true);
    ToolTipPropertyPage::setToolTipsActive(false);
    TestPage page;
    Sheet sheet(page);
    REQUIRE(page.hwnd());
    REQUIRE(page.toolTip());
    // The button and the list box have texts; the edit field has none.
    CHECK(toolCount(page.toolTip()) == 2);
    CHECK(DialogBase::fromWindow(page.item(IDC_T_INNER_EDIT)) == &page);
    CHECK(ToolTipPropertyPage::toolTipsActive() == false);
    CHECK(CToolTipDialog::toolTipsActive() == true);
    CToolTipDialog::setToolTipsActive(false);
}

TEST_CASE("the sheet's notifications reach the page's handlers") {
    TestPage page;
    Sheet sheet(page);
    rubo::test::pumpUntil(sheet.window, [&] { return !page.calls.empty(); });
    CHECK(page.calls.front() == "active");
    page.calls.clear();

    SUBCASE("an accepted apply") {
        // Apply Now works only once a page reports a change.
        SendMessageA(sheet.window, PSM_CHANGED, reinterpret_cast<WPARAM>(page.hwnd()), 0);
        SendMessageA(sheet.window, PSM_PRESSBUTTON, PSBTN_APPLYNOW, 0);
        rubo::test::pumpUntil(sheet.window, [&] { return page.calls.size() >= 2; });
        INFO("calls: " << joined(page.calls));
        // The sheet may make the page active again afterwards.
        REQUIRE(page.calls.size() >= 2);
        CHECK(page.calls[0] == "kill");
        CHECK(page.calls[1] == "apply");
    }
    SUBCASE("a refused apply keeps the sheet open") {
        page.acceptApply = false;
        SendMessageA(sheet.window, PSM_PRESSBUTTON, PSBTN_OK, 0);
        rubo::test::pumpUntil(sheet.window, [&] { return page.calls.size() >= 2; });
        CHECK(page.calls == std::vector<std::string>{"kill", "apply"});
        CHECK(PropSheet_GetCurrentPageHwnd(sheet.window) == page.hwnd());
    }
}
