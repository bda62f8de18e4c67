#pragma once

// The small pages of the Options sheet: "More options", "Develop" and the
// greeting page.

#include "app/options/options_sheet_win32.h"

namespace rubo {

// The greeting of the page shown only while the fan mark is set (the band
// of kFanBandName).
inline constexpr const char kFanGreeting[] = "Keep the lanterns lit: greetings to every fan!";

class Page1A : public OptionsValuesPage {
public:
    explicit Page1A(OptionsSheetValues& values);

protected:
    BOOL onInitDialog() override;
    bool onCommand(int id, int code, HWND control) override;

private:
    // The page tool tips follow "Show Tooltips" at once.
    void followShowToolTips();
};

class Page4 : public OptionsValuesPage {
public:
    Page4(OptionsSheetContext& context, OptionsSheetValues& values);

protected:
    BOOL onInitDialog() override;
    bool onCommand(int id, int code, HWND control) override;

private:
    void viewLogfiles();
    void deinstall();

    OptionsSheetContext& context_;
};

class Page5 : public ui::ToolTipPropertyPage {
public:
    Page5();

protected:
    BOOL onInitDialog() override;
};

} // namespace rubo
