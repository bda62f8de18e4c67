#pragma once

// The "Options" page: the default-player registration, the desktop
// shortcut, the drive and its volume line with a test slider, the time
// formats and the cdplayer.ini location.

#include "app/options/options_sheet_win32.h"
#include "audio/volume_control_win32.h"

#include <memory>
#include <string>
#include <vector>

namespace rubo {

inline constexpr UINT_PTR kVolumeTestTimerId = 1;
inline constexpr UINT kVolumeTestTimerMs = 100;
inline constexpr const char kShortcutName[] = "\\RUBO.lnk";

// The mixer's source lines, or the fixed list when it names none.
void volumeLinesOrFallback(std::vector<std::string>& names, std::vector<unsigned long>& types);

// A shell link to `target` in `folder`; false when it could not be saved.
bool createShortcut(const std::string& folder, const std::string& target);

class Page1 : public OptionsValuesPage {
public:
    Page1(OptionsSheetContext& context, OptionsSheetValues& values);
    ~Page1() override;

protected:
    BOOL onInitDialog() override;
    bool onCommand(int id, int code, HWND control) override;
    void onTimer(UINT_PTR id) override;
    void onDestroy() override;
    void readPage() override;

private:
    void fillDriveList();
    void fillLineList();
    void fillTimeFormats();
    void showInstallState();
    char selectedDrive() const;
    unsigned long typeOf(char drive) const;
    void selectLineOf(char drive);
    void replaceVolumeControl(unsigned long type);

    void install();
    void createDesktopShortcut();
    void browseCdPlayerIni();

    OptionsSheetContext& context_;
    std::vector<std::string> lineNames_;
    std::vector<unsigned long> lineTypes_;
    std::unique_ptr<CVolumeControl> volume_;
};

} // namespace rubo
