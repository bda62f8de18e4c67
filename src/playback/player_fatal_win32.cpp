#include "playback/player_engine.h"

#include "base/message_box.h"

#include <windows.h>

namespace rubo {

void systemFatalExit(const char* message) {
    showMessage("%s", message);
    ExitProcess(0);
}

} // namespace rubo
