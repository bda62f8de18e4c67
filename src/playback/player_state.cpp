#include "playback/player_state.h"

namespace rubo {

void SharedPlayerLock::lockShared() {
    std::call_once(once_, [this] {
        lock_ = factory_ ? factory_() : nullptr;
        created_.store(lock_ != nullptr);
    });
    if (lock_)
        lock_->acquire();
}

void SharedPlayerLock::unlockShared() {
    ++releases_;
    if (created_.load())
        lock_->release();
}

bool SharedPlayerLock::created() const {
    return created_.load();
}

} // namespace rubo
