#pragma once

// The "Font && Color" page: a sample of the main display in the chosen
// font and colours, and the dialogs that choose them.

#include "app/options/options_sheet_win32.h"

namespace rubo {

inline constexpr const char kFontSampleText[] = "Sample";

class Page1B : public ui::ToolTipPropertyPage {
public:
    explicit Page1B(OptionsSheetValues& values);

protected:
    BOOL onInitDialog() override;
    bool onCommand(int id, int code, HWND control) override;
    void onSetActive() override;

private:
    void refreshSample();
    void chooseFont();
    void chooseColour(int& colour);
    void restoreDefaults();

    OptionsSheetValues& values_;
};

} // namespace rubo
