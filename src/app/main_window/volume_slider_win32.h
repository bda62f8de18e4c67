#pragma once

// The main window's volume slider: a vertical trackbar and the volume
// control it moves, each following the other. A change made elsewhere is
// asked for on the display tick while the slider can be seen.

#include "audio/volume_control_win32.h"

#include <windows.h>

#include <cstdint>
#include <memory>

namespace rubo {

class EventLog;

class VolumeSlider {
public:
    VolumeSlider() = default;
    ~VolumeSlider();
    VolumeSlider(const VolumeSlider&) = delete;
    VolumeSlider& operator=(const VolumeSlider&) = delete;

    // Opens the volume control of `volumeType` (replacing one opened
    // before) for the trackbar `slider`, shows its value and logs the audio
    // device's source lines.
    void open(HWND slider, unsigned long volumeType, EventLog& log);
    // Closes the volume control.
    void close();

    // On each display tick: a moved slider sets the volume; every third
    // tick, while the slider's window is shown, the session is asked.
    void tick();

private:
    void onSliderMoved();
    static void onVolumeChanged(long volume, std::uintptr_t slider);

    std::unique_ptr<CVolumeControl> volume_;
    HWND slider_ = nullptr;
    long lastPosition_ = -1;
    // Display ticks counted for the session poll (every kSessionPollTicks).
    static constexpr unsigned kSessionPollTicks = 3;
    unsigned ticks_ = 0;
};

} // namespace rubo
