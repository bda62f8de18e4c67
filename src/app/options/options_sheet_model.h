#pragma once

// The Options sheet without its windows: which pages it has, the values the
// pages edit (copied in before the sheet shows, copied back on OK), the
// checks of the port fields, and the steps that apply the values on OK.

#include "settings/options.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace rubo {

inline constexpr const char kOptionsSheetCaption[] = "Options";

// The pages in the order they are added; the sheet opens on the first.
enum class OptionsPage { Options, MoreOptions, FontColor, Freedb, Database, Develop, Egg };

// Develop only while DevelopMode is on, Egg only while the fan mark is set.
std::vector<OptionsPage> optionsSheetPages(const Options& options, bool fanMark);

// How a page shows a value.
enum class PageControl {
    Check,     // check box: 0 or 1
    Radio,     // radio group: one button per entry of `choices`, in order
    ListIndex, // drop-down list: the selected index
    Text,      // edit field
    Port,      // edit field of digits, checked on OK (portText)
    DriveList, // the drive list: driveEntry, whose first letter names the drive
    Held,      // kept by the page without a control of its own
};

struct OptionsSheetValues;

// One value a page edits: a key of the option table (optionKeys).
struct PageValue {
    OptionsPage page;
    const char* key;
    PageControl control;
    int choices[3];                            // Radio only
    std::string OptionsSheetValues::*portText; // Port only
};

// Every value the pages edit, grouped by page; besides these, the Options
// page edits the volume type of each drive (Options::volumeTypes).
const PageValue* pageValues(std::size_t& count);

// What the sheet's pages edit: copies, applied only on OK.
struct OptionsSheetValues {
    Options options;                // the page values (the rows of pageValues)
    std::string driveLetters;       // the drive list, one entry "%c:" each
    std::string driveEntry;         // the selected drive entry
    std::string cddbCustomPortText; // the port fields as typed
    std::string proxyPortText;
};

// The main window's values that the sheet edits.
struct OptionsSheetOwner {
    Options& options;
    const std::string& driveLetters;
    int& driveIndex;
};

OptionsSheetValues copyIntoSheet(const OptionsSheetOwner& owner);

// A port field's text: digits giving 1 to 65535.
bool readPortText(std::string_view text, int& port);
// A port as its field shows it; empty for a value outside 1 to 65535.
std::string portText(int port);

// Why OK was refused: the field and the message that names it.
struct PortRefusal {
    OptionsPage page;
    const char* key;
    std::string message;
};

// The freedb page's check before the sheet closes: a port in use (the custom
// server's while it is chosen, the proxy's while the proxy is on) must be
// valid; one not in use may be empty, and then keeps its value.
std::optional<PortRefusal> checkPorts(const OptionsSheetValues& sheet);

// What OK does, in this order.
enum class OptionsOkStep {
    ChangeDrive,   // only when another drive was chosen
    VolumeControl, // a new volume control for the current drive's type
    Flags,         // option flags, time formats, tool tips, the INI mode
    DisplayFont,   // only when the font or a colour changed
    Freedb,        // the server, port and protocol used for requests
    LogSwitches,   // the log writer and the drive access
    WriteSettings, // all options to the settings file
};
inline constexpr OptionsOkStep kOptionsOkSteps[] = {
    OptionsOkStep::ChangeDrive,   OptionsOkStep::VolumeControl, OptionsOkStep::Flags,
    OptionsOkStep::DisplayFont,   OptionsOkStep::Freedb,        OptionsOkStep::LogSwitches,
    OptionsOkStep::WriteSettings,
};

// The main window's side of each step; it reads the owner's values, which
// hold the sheet's when the steps run.
class OptionsOkTarget {
public:
    virtual ~OptionsOkTarget() = default;
    // The owner's driveIndex is the new one: reset the disc, reopen the
    // device, disable the transport until the worker reports.
    virtual void changeDrive() = 0;
    virtual void rebuildVolumeControl() = 0;
    virtual void applyFlags() = 0;
    virtual void rebuildDisplayFont() = 0;
    virtual void applyFreedb() = 0;
    virtual void applyLogSwitches() = 0;
    virtual void writeSettings() = 0;
};

// OK: copies every page value back into the owner, then runs the steps in
// order. A port field that does not read as a port keeps the stored value:
// the freedb page refuses a bad one it shows, so such a field is one the user
// never saw, and its stored value is no reason to drop the other pages' edits.
void acceptOptionsSheet(const OptionsSheetValues& sheet, const OptionsSheetOwner& owner,
                        OptionsOkTarget& target);

} // namespace rubo
