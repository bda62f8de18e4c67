#include "app/main_window/volume_slider_win32.h"

#include "base/event_log.h"
#include "ui/controls_win32.h"

#include <string>
#include <vector>

namespace rubo {

VolumeSlider::~VolumeSlider() = default;

void VolumeSlider::open(HWND slider, unsigned long volumeType, EventLog& log) {
    slider_ = slider;
    volume_.reset();
    volume_ = std::make_unique<CVolumeControl>(volumeType);
    volume_->enableLine();
    volume_->setChangeCallback(onVolumeChanged, reinterpret_cast<std::uintptr_t>(this));
    ui::Trackbar bar(slider_);
    if (const std::optional<VolumeRange> range = volume_->range()) {
        bar.setRange(range->minimum, range->maximum);
        // A volume that cannot be read shows as the lowest.
        bar.setPos(bar.mirrored(volume_->getVolume().value_or(range->minimum)));
    }
    lastPosition_ = bar.pos();
    log.logSystem("Audio Device info");
    std::vector<std::string> names;
    std::vector<unsigned long> types;
    volume_->listSourceLines(names, types);
    for (size_t i = 0; i < names.size() && i < types.size(); ++i)
        log.logSystem("  %-2d  %-20s : %lu", static_cast<int>(i + 1), names[i].c_str(), types[i]);
}

void VolumeSlider::close() {
    volume_.reset();
}

void VolumeSlider::tick() {
    onSliderMoved();
    // Changes made elsewhere move the slider while it can be seen; asked
    // every third tick, as a 300 ms lag is not seen.
    if (++ticks_ % kSessionPollTicks != 0 || !volume_)
        return;
    HWND owner = GetParent(slider_);
    if (IsWindowVisible(owner) && !IsIconic(owner))
        volume_->pollSession();
}

void VolumeSlider::onSliderMoved() {
    if (!volume_ || !volume_->hasVolume())
        return;
    const ui::Trackbar bar(slider_);
    const long position = bar.pos();
    if (position == lastPosition_)
        return;
    lastPosition_ = position;
    const long value = bar.mirrored(position);
    if (value >= 0)
        volume_->setVolume(static_cast<unsigned long>(value));
}

void VolumeSlider::onVolumeChanged(long volume, std::uintptr_t slider) {
    auto* self = reinterpret_cast<VolumeSlider*>(slider);
    if (!self->volume_ || !self->volume_->hasVolume())
        return;
    ui::Trackbar bar(self->slider_);
    const long position = bar.mirrored(volume);
    bar.setPos(position);
    self->lastPosition_ = position;
}

} // namespace rubo
