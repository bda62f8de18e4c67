#pragma once

// The Edit CD info dialog without its windows: the working copy of the
// record, the current track, the fields of both pages, and what every
// button does to them. The dialog copies the fields into its controls and
// reads them back.

#include "discinfo/disc_model.h"

#include <string>
#include <vector>

namespace rubo {

class ProfileApi;
class SettingsFile;
class VolumeSerialSource;

inline constexpr const char kClearQuestion[] = "Are you sure to clear all data?";
inline constexpr const char kYearMessage[] =
    "Please enter the year as a number from 0 to 9999 (0 or empty: no year).";
inline constexpr int kYearMaxDigits = 4;
inline constexpr const char kTrackLabelFormat[] = "Track %d";
inline constexpr const char kTrackLineFormat[] = "%d\t%s";
inline constexpr const char kDiscIdLineFormat[] = "Disc ID: %08X";
inline constexpr const char kFreedbUnknownLine[] = "Disc in freedb database: UNKNOWN";
inline constexpr const char kFreedbFoundLineFormat[] =
    "Disc in freedb database: YES  (revision=%d)";
inline constexpr const char kFreedbNotFoundLine[] = "Disc in freedb database: NO";

// The category list, in the order it is filled.
inline constexpr const char* const kCategories[] = {
    "blues", "classical", "country", "data", "folk",       "jazz",
    "misc",  "newage",    "reggae",  "rock", "soundtrack",
};

// What the opener gives besides the record.
struct EditInfoInputs {
    const DiscInfo* cdText = nullptr; // only a valid CD-TEXT record
    bool liveDisc = false;            // the record is the disc in the drive
    bool owner = false;               // freedb settings and cdplayer.ini are reachable
    bool cdPlayerIniSet = false;      // the owner's cdplayer.ini location is not empty
};

// The buttons the enable rules decide; true is enabled.
struct EditButtonStates {
    bool saveSubmit = true;
    bool cdText = true;
    bool ruboIni = true;
    bool cdPlayerIni = true;
    bool freedb = true;
};

// The rules in their order; a button one rule disables stays disabled.
EditButtonStates editButtonStates(int freedbState, const EditInfoInputs& inputs);

// The values of both pages' fields (the Extended page's data in edit form).
struct EditFields {
    std::string artist;
    std::string title;
    std::string category;
    std::string genre;
    std::string year; // as typed
    std::string extended;
};

// The year field: empty or blank is 0; otherwise digits only, at most
// kYearMaxDigits. False for anything else.
bool parseYearField(const std::string& text, int& year);

enum class CollectResult { Stored, BadYear, DiscGone };

class EditInfoModel {
public:
    // `source` stays the opener's and is read again on every collect, so a
    // disc changed meanwhile is noticed.
    EditInfoModel(const DiscInfo& source, const EditInfoInputs& inputs);

    // Working copy := source; current track 1.
    void begin();

    const DiscInfo& working() const { return working_; }
    DiscInfo& working() { return working_; }
    const EditInfoInputs& inputs() const { return inputs_; }
    int trackCount() const;
    int currentTrack() const { return current_; }

    EditFields fieldsFromWorking() const;
    std::string discIdLine() const;
    std::string freedbLine() const;
    // "%d\t%s" for tracks 1..N: titles, or extended data as stored.
    std::vector<std::string> titleLines() const;
    std::vector<std::string> extendedLines() const;
    std::string trackLabel() const;
    // The current track's title, empty for a default title.
    std::string titleField() const;
    // The current track's extended data in edit form.
    std::string extendedField() const;

    // List index of a selection; ignored outside the tracks.
    void selectTrack(int index);
    // Stores the field into the current track and steps to the next one.
    void updateTitle(const std::string& field);
    void updateExtended(const std::string& field);

    // Default titles, empty extended data, state 2 becomes 3; the fields
    // get "?", "?", "misc", no genre, year 0 and no extended data.
    void clear(EditFields& fields);
    // Each false when its source has nothing for the disc (nothing changed).
    bool importCdText(EditFields& fields);
    bool importRuboIni(SettingsFile& settings, EditFields& fields);
    bool importCdPlayerIni(ProfileApi& profile, VolumeSerialSource& serials,
                           const std::string& cdPlayerIni, const std::string& drive,
                           EditFields& fields);

    // The first step of both saves: checks, marks a change and stores the
    // fields into the working copy. Nothing is stored unless Stored.
    CollectResult collect(const EditFields& fields);

private:
    TrackEntry* currentEntry();
    const TrackEntry* currentEntry() const;
    void stepForward();

    const DiscInfo& source_;
    EditInfoInputs inputs_;
    DiscInfo working_;
    int current_ = 1;
};

} // namespace rubo
