#pragma once

// The sample discs of the virtual drive (tools/virtual-drive/discs) as the
// drive and its MCI device give them; the values are worked out by hand
// from the disc files.

#include "discinfo/disc_model.h"

#include <vector>

namespace rubo::test {

// One track: its start and its MCI length (to the next track; the last one
// ends a frame before the lead-out).
struct SampleTrack {
    int m, s, f;    // start
    int lm, ls, lf; // length
    bool audio;
};

struct SampleDisc {
    const char* file;
    std::vector<SampleTrack> tracks;
    int leadOut; // frames
    DiscId id;
    // The disc's CD-TEXT performer and title; empty without CD-TEXT.
    const char* artist;
    const char* title;
};

inline const SampleDisc kCdText12{"cdtext-12.disc",
                                  {
                                      {0, 2, 0, 3, 42, 13, true},
                                      {3, 44, 13, 4, 5, 13, true},
                                      {7, 49, 26, 3, 18, 13, true},
                                      {11, 7, 39, 5, 1, 13, true},
                                      {16, 8, 52, 3, 7, 13, true},
                                      {19, 15, 65, 4, 24, 13, true},
                                      {23, 40, 3, 3, 53, 13, true},
                                      {27, 33, 16, 2, 56, 13, true},
                                      {30, 29, 29, 4, 49, 13, true},
                                      {35, 18, 42, 3, 25, 13, true},
                                      {38, 43, 55, 4, 11, 13, true},
                                      {42, 54, 68, 5, 18, 12, true},
                                  },
                                  216981, // 48:13:06
                                  0xA50B4B0Cu,
                                  "The Virtual Players",
                                  "Virtual Sessions"};
inline const SampleDisc kDataFirst{"data-first.disc",
                                   {
                                       {0, 2, 0, 8, 12, 25, false},
                                       {8, 14, 25, 3, 35, 60, true},
                                       {11, 50, 10, 3, 12, 60, true},
                                       {15, 2, 70, 4, 30, 6, true},
                                       {19, 33, 1, 3, 37, 42, true},
                                   },
                                   104294, // 23:10:44
                                   0x32056C05u,
                                   "",
                                   ""};
inline const SampleDisc kHiddenPregap{"hidden-pregap.disc",
                                      {
                                          {0, 5, 10, 4, 14, 65, true},
                                          {4, 20, 0, 3, 42, 37, true},
                                          {8, 2, 37, 3, 57, 37, true},
                                      },
                                      54000, // 12:00:00
                                      0x1B02CB03u,
                                      "",
                                      ""};
inline const SampleDisc kNoCdText{"no-cdtext.disc",
                                  {
                                      {0, 2, 0, 2, 57, 12, true},
                                      {2, 59, 12, 3, 2, 32, true},
                                      {6, 1, 44, 3, 28, 31, true},
                                      {9, 30, 0, 3, 43, 13, true},
                                      {13, 13, 13, 3, 27, 47, true},
                                      {16, 40, 60, 3, 21, 20, true},
                                      {20, 2, 5, 3, 46, 26, true},
                                      {23, 48, 31, 4, 6, 63, true},
                                  },
                                  125645, // 27:55:20
                                  0x51068908u,
                                  "",
                                  ""};
// The whole enhanced CD as the MCI device reports it (both sessions).
inline const SampleDisc kEnhanced{"enhanced.disc",
                                  {
                                      {0, 2, 0, 3, 39, 17, true},
                                      {3, 41, 17, 3, 31, 23, true},
                                      {7, 12, 40, 3, 52, 37, true},
                                      {11, 5, 2, 6, 17, 31, true},
                                      {17, 22, 33, 8, 17, 41, false},
                                  },
                                  115500, // 25:40:00
                                  0x28060205u,
                                  "The Hybrids",
                                  "Enhanced Example"};
// Its first session: track 4 ends at the session-1 lead-out 14:50:33.
inline const SampleDisc kEnhancedSession1{"enhanced.disc",
                                          {
                                              {0, 2, 0, 3, 39, 17, true},
                                              {3, 41, 17, 3, 31, 23, true},
                                              {7, 12, 40, 3, 52, 37, true},
                                              {11, 5, 2, 3, 45, 31, true},
                                          },
                                          66783,
                                          0x21037804u,
                                          "The Hybrids",
                                          "Enhanced Example"};

// 99 tracks of 30 s from 00:02:00, lead-out 49:32:00.
inline SampleDisc tracks99() {
    SampleDisc d{"tracks-99.disc", {}, 222900, 0x9F0B9A63u, "", ""};
    for (int i = 0; i < 99; ++i) {
        int sec = 2 + 30 * i;
        d.tracks.push_back({sec / 60, sec % 60, 0, 0, i == 98 ? 29 : 30, i == 98 ? 74 : 0, true});
    }
    return d;
}

} // namespace rubo::test
