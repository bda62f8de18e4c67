#include "playback/player_thread.h"

namespace rubo {

PlayerRunner::PlayerRunner(PlayerSetup& setup, ScsiAccess& scsi, SharedPlayerState& shared,
                           PlayerControls& controls, EventLog& log)
    : setup_(setup), scsi_(scsi), shared_(shared), controls_(controls), log_(log),
      factory_([] { return createMciCdAudioDevice(); }) {}

PlayerRunner::~PlayerRunner() {
    if (thread_)
        stop(kPlayerStopWaitMs);
}

bool PlayerRunner::createEvents() {
    if (!events_)
        events_ = createPlayerEvents();
    return events_ != nullptr;
}

bool PlayerRunner::setEvent(int event) {
    return events_ && events_->set(event);
}

bool PlayerRunner::start() {
    if (!events_ || thread_)
        return false;
    thread_ = startPlayerThread(*this);
    return thread_ != nullptr;
}

bool PlayerRunner::waitForEnd(std::uint32_t ms) {
    return !thread_ || waitPlayerThread(*thread_, ms);
}

bool PlayerRunner::stop(std::uint32_t ms) {
    if (!thread_)
        return true;
    setEvent(kQuitEvent);
    if (waitPlayerThread(*thread_, ms))
        return true;
    killPlayerThread(*thread_);
    return false;
}

void PlayerRunner::terminate() {
    if (thread_)
        killPlayerThread(*thread_);
}

void PlayerRunner::run() {
    std::unique_ptr<CdAudioDevice> device = factory_ ? factory_() : nullptr;
    if (!device) {
        if (fatal_)
            fatal_(kOpenFailedText);
        else
            systemFatalExit(kOpenFailedText);
        return;
    }
    PlayerEngine engine(setup_, *device, scsi_, shared_, lock_, controls_, log_);
    if (fatal_)
        engine.setFatalExit(fatal_);
    if (lookup_)
        engine.setDiscLookup(lookup_);
    if (engine.start())
        runPlayerLoop(engine, *events_);
}

} // namespace rubo
