#pragma once

// The worker's part of closing the main window: a bounded wait for the
// thread, its hard end, and the steps after it that take the locks the
// thread shares with the window.

#include <cstdint>
#include <functional>
#include <thread>

namespace rubo {

class EventLog;
class PlayerRunner;

// How long a step after a forced end may take before close gives up on it.
inline constexpr std::uint32_t kAfterForcedEndMs = 2000;

enum class WorkerEnd { NotRunning, Stopped, Forced };

// Waits up to `waitMs` for a worker that was asked to quit, ends it by force
// when it does not stop, and forgets it; logs each step. `runner` may be null.
WorkerEnd endWorker(PlayerRunner* runner, std::uint32_t waitMs, EventLog& log);

// Runs a close step that takes the event log's or the settings' lock. A
// worker ended by force may have died holding one of them, for good: then
// the step runs on a thread of its own and is waited for at most `boundMs`.
// False when it did not finish; it is left running, and the caller should
// end the process rather than touch those locks again. A caller that can
// still join that thread (a test) takes it through `unfinished`.
bool runAfterWorker(WorkerEnd end, std::function<void()> step, std::uint32_t boundMs,
                    std::thread* unfinished = nullptr);

} // namespace rubo
