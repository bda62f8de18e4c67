#include "app/main_window/new_disc_lookup.h"

#include "settings/options.h"

#include <chrono>
#include <utility>

namespace rubo {

NewDiscLookup::~NewDiscLookup() {
    if (thread_.joinable())
        thread_.join();
}

bool NewDiscLookup::isUnknown(const DiscInfo& disc) {
    return disc.valid && disc.hasAudio && disc.artist == kUnknownText;
}

bool NewDiscLookup::looking(const DiscInfo& live) const {
    std::lock_guard<std::mutex> guard(lock_);
    return running_ && haveAsked_ && sameDisc(asked_, live);
}

bool NewDiscLookup::tick(const Options& options, const DiscInfo& live, DiscInfo& found) {
    std::unique_lock<std::mutex> guard(lock_);
    if (running_)
        return false;
    if (haveResult_) {
        haveResult_ = false;
        const MbLookupResult result = std::move(result_);
        const int index = automaticChoice(result);
        if (index >= 0 && isUnknown(live) &&
            sameDisc(live, result.choices[static_cast<std::size_t>(index)].record)) {
            found = result.choices[static_cast<std::size_t>(index)].record;
            return true;
        }
    }
    // A disc taken out is asked for again when it comes back.
    if (haveAsked_ && !sameDisc(asked_, live))
        haveAsked_ = false;
    if (haveAsked_ || !options.lookupNewDiscs || !isUnknown(live))
        return false;
    if (thread_.joinable())
        thread_.join();
    asked_ = live;
    haveAsked_ = true;
    running_ = true;
    thread_ = std::thread(&NewDiscLookup::run, this, options, live);
    return false;
}

void NewDiscLookup::run(const Options& options, DiscInfo disc) {
    MbLookupResult result;
    try {
        result = client_.lookup(options, disc);
    } catch (...) {
        // Out of memory at worst: the disc stays unnamed.
        result = MbLookupResult{};
    }
    std::lock_guard<std::mutex> guard(lock_);
    result_ = std::move(result);
    haveResult_ = true;
    running_ = false;
    ended_.notify_all();
}

bool NewDiscLookup::endWithin(int ms) {
    std::unique_lock<std::mutex> guard(lock_);
    if (!ended_.wait_for(guard, std::chrono::milliseconds(ms), [this] { return !running_; })) {
        thread_.detach();
        return false;
    }
    guard.unlock();
    if (thread_.joinable())
        thread_.join();
    return true;
}

} // namespace rubo
