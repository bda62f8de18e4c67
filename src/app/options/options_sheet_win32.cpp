#include "app/options/options_sheet_win32.h"

#include "app/options/database_page_win32.h"
#include "app/options/font_color_page_win32.h"
#include "app/options/freedb_page_win32.h"
#include "app/options/general_page_win32.h"
#include "app/options/options_pages_win32.h"
#include "res/resource.h"

#include <commctrl.h>

#include <cstring>

namespace rubo {

namespace {

// The control of each page value; radio groups name one button per choice.
struct ControlOfValue {
    const char* key;
    int control;
    int radio[3];
};

const ControlOfValue kControlsOfValues[] = {
    {"ShowModeDisc", IDC_OPT_TIME_DISC, {}},
    {"ShowModeTrack", IDC_OPT_TIME_TRACK, {}},
    {"CdPlayerIni", IDC_OPT_CDPLAYER_INI, {}},
    {"AlwaysOnTop", IDC_OPT_ALWAYS_ON_TOP, {}},
    {"ShowToolTips", IDC_OPT_SHOW_TOOLTIPS, {}},
    {"EscapeKey", 0, {IDC_OPT_ESCAPE_NONE, IDC_OPT_ESCAPE_EXIT, IDC_OPT_ESCAPE_TINY}},
    {"StopOnClose", IDC_OPT_STOP_ON_CLOSE, {}},
    {"RememberPos", IDC_OPT_REMEMBER_POS, {}},
    {"StartTiny", IDC_OPT_START_TINY, {}},
    {"DetectMultiSession", IDC_OPT_SINGLE_SESSION, {}},
    {"ClipboardTracknrs", IDC_OPT_CLIPBOARD_NRS, {}},
    {"MinimizeToTray", IDC_OPT_MINIMIZE_TRAY, {}},
    {"AutoPlay", IDC_OPT_AUTOPLAY, {}},
    {"IniCompatibility", IDC_OPT_INI_COMPAT, {}},
    {"CddbSite", 0, {IDC_OPT_SITE_MAIN, IDC_OPT_SITE_MIRROR, IDC_OPT_SITE_CUSTOM}},
    {"CddbCustomSite", IDC_OPT_CUSTOM_SITE, {}},
    {"CddbCustomPort", IDC_OPT_CUSTOM_PORT, {}},
    {"CddbProtocol", 0, {IDC_OPT_PROTOCOL_3, IDC_OPT_PROTOCOL_4, IDC_OPT_PROTOCOL_5}},
    {"ProxyEnabled", IDC_OPT_PROXY, {}},
    {"ProxyAddress", IDC_OPT_PROXY_ADDRESS, {}},
    {"ProxyPort", IDC_OPT_PROXY_PORT, {}},
    {"CddbEmailAddress", IDC_OPT_EMAIL, {}},
    {"ShowStatus", IDC_OPT_SHOW_STATUS, {}},
    {"Logging", IDC_OPT_LOGGING, {}},
    {"CdTextLog", IDC_OPT_CDTEXT_LOG, {}},
    {"SessionLog", IDC_OPT_SESSION_LOG, {}},
    {"CddbTestSubmit", IDC_OPT_TEST_SUBMIT, {}},
    {"CddbLog", IDC_OPT_CDDB_LOG, {}},
    {"CddbHack", IDC_OPT_CDDB_HACK, {}},
};

const ControlOfValue* controlOf(const char* key) {
    for (const ControlOfValue& row : kControlsOfValues)
        if (std::strcmp(row.key, key) == 0)
            return &row;
    return nullptr;
}

std::string windowText(HWND control) {
    const int length = GetWindowTextLengthA(control);
    if (length <= 0)
        return std::string();
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    const int read = GetWindowTextA(control, &text[0], length + 1);
    text.resize(read > 0 ? static_cast<std::size_t>(read) : 0);
    return text;
}

template <class Visit> void forEachValue(OptionsPage which, Visit visit) {
    std::size_t count = 0;
    const PageValue* values = pageValues(count);
    for (std::size_t i = 0; i < count; ++i) {
        if (values[i].page != which)
            continue;
        const ControlOfValue* control = controlOf(values[i].key);
        const OptionKey* row = optionKeyNamed(values[i].key);
        if (control && row)
            visit(values[i], *control, *row);
    }
}

} // namespace

void showPageValues(HWND page, OptionsPage which, const OptionsSheetValues& values) {
    forEachValue(
        which, [&](const PageValue& value, const ControlOfValue& control, const OptionKey& row) {
            const Options& options = values.options;
            switch (value.control) {
            case PageControl::Check:
                CheckDlgButton(page, control.control,
                               options.*row.intField != 0 ? BST_CHECKED : BST_UNCHECKED);
                break;
            case PageControl::Radio:
                for (int i = 0; i < 3; ++i)
                    CheckDlgButton(page, control.radio[i],
                                   options.*row.intField == value.choices[i] ? BST_CHECKED
                                                                             : BST_UNCHECKED);
                break;
            case PageControl::ListIndex:
                SendDlgItemMessageA(page, control.control, CB_SETCURSEL,
                                    static_cast<WPARAM>(options.*row.intField), 0);
                break;
            case PageControl::Text:
                SetDlgItemTextA(page, control.control, (options.*row.stringField).c_str());
                break;
            case PageControl::Port:
                SetDlgItemTextA(page, control.control, (values.*value.portText).c_str());
                break;
            case PageControl::DriveList:
            case PageControl::Held:
                break;
            }
        });
}

void readPageValues(HWND page, OptionsPage which, OptionsSheetValues& values) {
    forEachValue(which, [&](const PageValue& value, const ControlOfValue& control,
                            const OptionKey& row) {
        Options& options = values.options;
        switch (value.control) {
        case PageControl::Check:
            options.*row.intField = IsDlgButtonChecked(page, control.control) == BST_CHECKED;
            break;
        case PageControl::Radio:
            for (int i = 0; i < 3; ++i)
                if (IsDlgButtonChecked(page, control.radio[i]) == BST_CHECKED)
                    options.*row.intField = value.choices[i];
            break;
        case PageControl::ListIndex: {
            const LRESULT selected = SendDlgItemMessageA(page, control.control, CB_GETCURSEL, 0, 0);
            if (selected >= 0)
                options.*row.intField = static_cast<int>(selected);
            break;
        }
        case PageControl::Text:
            options.*row.stringField = windowText(GetDlgItem(page, control.control));
            break;
        case PageControl::Port:
            values.*value.portText = windowText(GetDlgItem(page, control.control));
            break;
        case PageControl::DriveList:
        case PageControl::Held:
            break;
        }
    });
}

CPropSheet::CPropSheet(OptionsSheetContext& context, OptionsSheetValues& values, bool fanMark)
    : context_(context), values_(values), kinds_(optionsSheetPages(*context.saved, fanMark)) {
    for (OptionsPage kind : kinds_) {
        switch (kind) {
        case OptionsPage::Options:
            pages_.push_back(std::make_unique<Page1>(context_, values_));
            break;
        case OptionsPage::MoreOptions:
            pages_.push_back(std::make_unique<Page1A>(values_));
            break;
        case OptionsPage::FontColor:
            pages_.push_back(std::make_unique<Page1B>(values_));
            break;
        case OptionsPage::Freedb:
            pages_.push_back(std::make_unique<Page2>(context_, values_));
            break;
        case OptionsPage::Database:
            pages_.push_back(std::make_unique<Page3>(context_));
            break;
        case OptionsPage::Develop:
            pages_.push_back(std::make_unique<Page4>(context_, values_));
            break;
        case OptionsPage::Egg:
            pages_.push_back(std::make_unique<Page5>());
            break;
        }
    }
}

CPropSheet::~CPropSheet() = default;

INT_PTR CPropSheet::doModal() {
    std::vector<PROPSHEETPAGEA> sheets(pages_.size());
    std::vector<HPROPSHEETPAGE> handles;
    for (std::size_t i = 0; i < pages_.size(); ++i) {
        pages_[i]->fillPage(sheets[i]);
        HPROPSHEETPAGE handle = CreatePropertySheetPageA(&sheets[i]);
        if (!handle) {
            for (HPROPSHEETPAGE made : handles)
                DestroyPropertySheetPage(made);
            return IDCANCEL;
        }
        handles.push_back(handle);
    }
    PROPSHEETHEADERA header{};
    header.dwSize = sizeof header;
    header.dwFlags = PSH_NOAPPLYNOW;
    header.hwndParent = context_.owner;
    header.hInstance = GetModuleHandleA(nullptr);
    header.pszCaption = kOptionsSheetCaption;
    header.nPages = static_cast<UINT>(handles.size());
    header.nStartPage = 0;
    header.phpage = handles.data();
    // The sheet destroys the pages' handles itself.
    return PropertySheetA(&header) > 0 ? IDOK : IDCANCEL;
}

} // namespace rubo
