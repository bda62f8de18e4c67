#include "playback/player_engine.h"

#include "base/message_box.h"

#include <cstdlib>

namespace rubo {

void systemFatalExit(const char* message) {
    showMessage("%s", message);
    std::_Exit(0);
}

} // namespace rubo
