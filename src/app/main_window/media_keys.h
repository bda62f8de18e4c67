#pragma once

// The keyboard's media keys: which transport button each stands for.

#include <cstdint>

namespace rubo {

// The commands of WM_APPCOMMAND that are media keys (APPCOMMAND_MEDIA_*).
inline constexpr int kAppCommandNextTrack = 11;
inline constexpr int kAppCommandPreviousTrack = 12;
inline constexpr int kAppCommandStop = 13;
inline constexpr int kAppCommandPlayPause = 14;
inline constexpr int kAppCommandPlay = 46;
inline constexpr int kAppCommandPause = 47;

// The media keys' virtual keys (VK_MEDIA_*), registered as hot keys.
inline constexpr int kVirtualKeyNextTrack = 0xB0;
inline constexpr int kVirtualKeyPreviousTrack = 0xB1;
inline constexpr int kVirtualKeyStop = 0xB2;
inline constexpr int kVirtualKeyPlayPause = 0xB3;

// The app command of a media key's virtual key; 0 for any other key.
int appCommandOfKey(int virtualKey);

// The transport button (IDC_PLAY, IDC_PAUSE...) an app command stands for
// while the player is in `mode` (an MCI mode); 0 for any other command.
// Play/Pause pauses while playing and plays otherwise.
int mediaCommandId(int appCommand, std::uint32_t mode);

} // namespace rubo
