#include "app/options/options_sheet_win32.h"

#include "app/options/database_page_win32.h"
#include "app/options/font_color_page_win32.h"
#include "app/options/freedb_page_win32.h"
#include "app/options/general_page_win32.h"
#include "app/options/options_pages_win32.h"
#include "res/resource.h"
#include "ui/controls_win32.h"

#include <commctrl.h>

namespace rubo {

namespace {

template <class Visit> void forEachValue(OptionsPage which, Visit visit) {
    std::size_t count = 0;
    const PageValue* values = pageValues(count);
    for (std::size_t i = 0; i < count; ++i)
        if (values[i].page == which)
            visit(values[i]);
}

} // namespace

OptionsValuesPage::OptionsValuesPage(int templateId, OptionsPage which, OptionsSheetValues& values)
    : ToolTipPropertyPage(templateId), values_(values), which_(which) {}

bool OptionsValuesPage::onKillActive() {
    readPage();
    return true;
}

bool OptionsValuesPage::onApply() {
    readPage();
    return true;
}

void OptionsValuesPage::showValues() {
    const Options& options = values_.options;
    forEachValue(which_, [&](const PageValue& value) {
        switch (value.control) {
        case PageControl::Check:
            CheckDlgButton(hwnd(), value.controlId,
                           options.*value.intField != 0 ? BST_CHECKED : BST_UNCHECKED);
            break;
        case PageControl::Radio:
            for (const RadioChoice& choice : value.choices)
                CheckDlgButton(hwnd(), choice.button,
                               options.*value.intField == choice.value ? BST_CHECKED
                                                                       : BST_UNCHECKED);
            break;
        case PageControl::ListIndex:
            SendDlgItemMessageA(hwnd(), value.controlId, CB_SETCURSEL,
                                static_cast<WPARAM>(options.*value.intField), 0);
            break;
        case PageControl::Text:
            SetDlgItemTextA(hwnd(), value.controlId, (options.*value.stringField).c_str());
            break;
        case PageControl::Port:
            SetDlgItemTextA(hwnd(), value.controlId, (values_.*value.portText).c_str());
            break;
        case PageControl::DriveList:
        case PageControl::Held:
            break;
        }
    });
}

void OptionsValuesPage::readValues() {
    Options& options = values_.options;
    forEachValue(which_, [&](const PageValue& value) {
        switch (value.control) {
        case PageControl::Check:
            options.*value.intField = IsDlgButtonChecked(hwnd(), value.controlId) == BST_CHECKED;
            break;
        case PageControl::Radio:
            for (const RadioChoice& choice : value.choices)
                if (IsDlgButtonChecked(hwnd(), choice.button) == BST_CHECKED)
                    options.*value.intField = choice.value;
            break;
        case PageControl::ListIndex: {
            const LRESULT selected =
                SendDlgItemMessageA(hwnd(), value.controlId, CB_GETCURSEL, 0, 0);
            if (selected >= 0)
                options.*value.intField = static_cast<int>(selected);
            break;
        }
        case PageControl::Text:
            options.*value.stringField = ui::windowText(item(value.controlId));
            break;
        case PageControl::Port:
            values_.*value.portText = ui::windowText(item(value.controlId));
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
