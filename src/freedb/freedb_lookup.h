#pragma once

// The main window's freedb button: look the disc up, offer to submit text
// that came from the CDDB fallback, and save what was found.

#include "discinfo/disc_model.h"
#include "freedb/freedb_operations.h"

namespace rubo {

class EventLog;
class SettingsFile;
struct Options;

constexpr const char kGettingFreedbLog[] = "M : Getting Freedb data";
constexpr const char kErrorGettingFreedbLog[] = "M : Error getting Freedb data";
constexpr const char kGotFreedbLog[] = "M : Got Freedb data";
constexpr const char kSubmitQuestion[] = "Submit this CD?";
constexpr const char kTestSubmitQuestion[] = "Test-submit this CD?";

struct FreedbLookupContext {
    const Options& options;
    SettingsFile& settings; // the disc is saved here after a successful fetch
    EventLog& log;
    FreedbProgress& progress;
    // The record of the disc in the drive, kept current while the lookup's
    // menus and boxes run.
    const DiscInfo& liveDisc;
};

// False, after saying so, when the drive no longer holds the looked-up disc
// (a lookup's menus and boxes are modal loops).
bool stillInDrive(const FreedbLookupContext& context, const DiscInfo& disc);

// Runs the lookup on `disc`, a copy of the live record. What was found is
// saved only while the drive still holds that disc (otherwise the user is
// told so). True when it was: the caller then takes `disc` over.
bool runFreedbLookup(const FreedbLookupContext& context, FreedbClient& client, DiscInfo& disc);

} // namespace rubo
