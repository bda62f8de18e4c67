#pragma once

// The Options property sheet: its pages edit an OptionsSheetValues copy,
// which the opener applies only after OK.

#include "app/options/options_sheet_model.h"
#include "freedb/freedb_client.h"
#include "ui/property_page_win32.h"

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

namespace rubo {

class EventLog;
class Registry;
class SettingsFile;

// What the pages use besides the values they edit.
struct OptionsSheetContext {
    HWND owner = nullptr;
    SettingsFile* settings = nullptr;
    EventLog* log = nullptr;
    // The options in force: the freedb page's client takes its log and proxy
    // from them, the Database page's Edit CD info dialog its settings.
    const Options* saved = nullptr;
    // Section "Servers", as the owner holds it; Get mirrors renews both.
    std::vector<FreedbSite>* serverList = nullptr;
    Registry* registry = nullptr;
    std::string modulePath; // this program's full path
    std::string drive;      // the active drive ("%c:")
};

// A page that edits rows of pageValues: it reads its controls back when
// the user leaves it and on OK.
class OptionsValuesPage : public ui::ToolTipPropertyPage {
public:
    OptionsValuesPage(int templateId, OptionsPage which, OptionsSheetValues& values);

protected:
    bool onKillActive() override;
    bool onApply() override;
    // The page's rows into its controls (lists already filled), and back.
    void showValues();
    void readValues();
    // What leaving the page reads; pages that edit more extend it.
    virtual void readPage() { readValues(); }

    OptionsSheetValues& values_;

private:
    OptionsPage which_;
};

class CPropSheet {
public:
    // Develop only with the saved DevelopMode, the greeting page only with
    // fanMark.
    CPropSheet(OptionsSheetContext& context, OptionsSheetValues& values, bool fanMark);
    ~CPropSheet();
    CPropSheet(const CPropSheet&) = delete;
    CPropSheet& operator=(const CPropSheet&) = delete;

    // IDOK after OK (the values hold the pages' then), IDCANCEL otherwise.
    INT_PTR doModal();

    const std::vector<OptionsPage>& pages() const { return kinds_; }

private:
    OptionsSheetContext& context_;
    OptionsSheetValues& values_;
    std::vector<OptionsPage> kinds_;
    std::vector<std::unique_ptr<ui::ToolTipPropertyPage>> pages_;
};

} // namespace rubo
