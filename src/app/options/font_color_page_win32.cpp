#include "app/options/font_color_page_win32.h"

#include "res/resource.h"

#include <commdlg.h>
#include <richedit.h>

namespace rubo {

namespace {

constexpr int kTwipsPerPoint = 20;
constexpr int kPointsPerInch = 72;
constexpr int kTenthsPerPoint = 10;

} // namespace

Page1B::Page1B(OptionsSheetValues& values)
    : ToolTipPropertyPage(IDD_OPTIONS_FONT), values_(values) {}

BOOL Page1B::onInitDialog() {
    ToolTipPropertyPage::onInitDialog();
    refreshSample();
    return TRUE;
}

void Page1B::onSetActive() {
    refreshSample();
}

void Page1B::refreshSample() {
    const Options& options = values_.options;
    HWND sample = item(IDC_OPT_SAMPLE);
    SendMessageA(sample, EM_SETBKGNDCOLOR, 0, static_cast<LPARAM>(options.backColor));
    CHARRANGE all{0, -1};
    SendMessageA(sample, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&all));
    CHARFORMATA format{};
    format.cbSize = sizeof format;
    format.dwMask = CFM_FACE | CFM_SIZE | CFM_COLOR | CFM_CHARSET;
    format.yHeight = options.fontSize * kTwipsPerPoint;
    format.crTextColor = static_cast<COLORREF>(options.frontColor);
    format.bCharSet = static_cast<BYTE>(options.charSet);
    lstrcpynA(format.szFaceName, options.fontName.c_str(), LF_FACESIZE);
    SendMessageA(sample, EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
    SendMessageA(sample, EM_SETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&format));
    SendMessageA(sample, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(kFontSampleText));
}

bool Page1B::onCommand(int id, int code, HWND control) {
    switch (id) {
    case IDC_OPT_FONT:
        chooseFont();
        return true;
    case IDC_OPT_TEXT_COLOR:
        chooseColour(values_.options.frontColor);
        return true;
    case IDC_OPT_BACK_COLOR:
        chooseColour(values_.options.backColor);
        return true;
    case IDC_OPT_DEFAULTS:
        restoreDefaults();
        return true;
    default:
        return ToolTipPropertyPage::onCommand(id, code, control);
    }
}

void Page1B::chooseFont() {
    Options& options = values_.options;
    LOGFONTA font{};
    HDC screen = GetDC(hwnd());
    const int pixelsPerInch = screen ? GetDeviceCaps(screen, LOGPIXELSY) : kPointsPerInch;
    if (screen)
        ReleaseDC(hwnd(), screen);
    font.lfHeight = -MulDiv(options.fontSize, pixelsPerInch, kPointsPerInch);
    font.lfCharSet = static_cast<BYTE>(options.charSet);
    lstrcpynA(font.lfFaceName, options.fontName.c_str(), LF_FACESIZE);
    CHOOSEFONTA dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = hwnd();
    dialog.lpLogFont = &font;
    dialog.Flags = CF_SCREENFONTS | CF_INITTOLOGFONTSTRUCT;
    if (!ChooseFontA(&dialog))
        return;
    options.fontSize = dialog.iPointSize / kTenthsPerPoint;
    options.fontName = font.lfFaceName;
    options.charSet = font.lfCharSet;
    refreshSample();
}

void Page1B::chooseColour(int& colour) {
    static COLORREF custom[16] = {};
    CHOOSECOLORA dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = hwnd();
    dialog.rgbResult = static_cast<COLORREF>(colour);
    dialog.lpCustColors = custom;
    dialog.Flags = CC_RGBINIT | CC_ANYCOLOR;
    if (!ChooseColorA(&dialog))
        return;
    colour = static_cast<int>(dialog.rgbResult);
    refreshSample();
}

void Page1B::restoreDefaults() {
    const Options defaults = defaultOptions(static_cast<int>(GetSysColor(COLOR_BTNFACE)));
    Options& options = values_.options;
    options.fontName = defaults.fontName;
    options.fontSize = defaults.fontSize;
    options.charSet = defaults.charSet;
    options.frontColor = defaults.frontColor;
    options.backColor = defaults.backColor;
    refreshSample();
}

} // namespace rubo
