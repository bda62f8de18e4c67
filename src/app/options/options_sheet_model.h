#pragma once

// The Options sheet without its windows: which pages it has, the values the
// pages edit and their controls (copied in before the sheet shows, copied
// back on OK), the checks of the port fields, and what OK changed.

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

// What the sheet's pages edit: copies, applied only on OK.
struct OptionsSheetValues {
    Options options;                // the page values (the rows of pageValues)
    std::string driveLetters;       // the drive list, one entry "%c:" each
    std::string driveEntry;         // the selected drive entry
    std::string cddbCustomPortText; // the port fields as typed
    std::string proxyPortText;
};

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

// A radio button and the value it stands for.
struct RadioChoice {
    int value;
    int button;
};

// One value a page edits: its field of Options (exactly one of the two is
// set) and the control that shows it.
struct PageValue {
    OptionsPage page;
    PageControl control;
    int Options::*intField;
    std::string Options::*stringField;
    int controlId;                             // Check, ListIndex, Text, Port
    RadioChoice choices[3];                    // Radio only
    std::string OptionsSheetValues::*portText; // Port only
};

// Every value the pages edit, grouped by page; besides these, the Options
// page edits the volume type of each drive (Options::volumeTypes).
const PageValue* pageValues(std::size_t& count);

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
    int Options::*field;
    std::string message;
};

// The freedb page's check before the sheet closes: a port in use (the custom
// server's while it is chosen, the proxy's while the proxy is on) must be
// valid; one not in use may be empty, and then keeps its value.
std::optional<PortRefusal> checkPorts(const OptionsSheetValues& sheet);

// What OK changed that its steps depend on.
struct OptionsOkChanges {
    bool drive = false; // another drive was chosen
    bool font = false;  // the display font or a colour
};

// OK: copies every page value back into the owner, whose driveIndex becomes
// the chosen drive's. A port field that does not read as a port keeps the
// stored value: the freedb page refuses a bad one it shows, so such a field
// is one the user never saw, and its stored value is no reason to drop the
// other pages' edits.
OptionsOkChanges acceptOptionsSheet(const OptionsSheetValues& sheet,
                                    const OptionsSheetOwner& owner);

} // namespace rubo
