#include <doctest.h>

#include "app/main_window/player_session.h"
#include "base/event_log.h"
#include "drive/fake_cd_audio_device.h"
#include "settings/profile_api.h"
#include "settings/settings_file.h"
#include "support/test_support.h"

#include <memory>

using namespace rubo;
using namespace rubo::test;

namespace {

// The worker calls it from its own thread; it keeps nothing.
class QuietWindow : public TransportWindow {
public:
    void enableControl(TransportControl, bool) override {}
    bool setClipboardText(const std::string&) override { return true; }
    int showTrackMenu(const TrackMenu&) override { return 0; }
};

} // namespace

TEST_CASE("player session: set-up's options are the worker's, OK's are handed over") {
    ScratchDir dir;
    SettingsFile settings(dir.file("RUBO.ini"), systemProfileApi());
    EventLog log;
    QuietWindow window;
    Options options = defaultOptions(0);
    options.stopOnClose = 1;
    PlayerSession session(window, options, settings, log);
    session.setDrive("E:");
    // Set-up applies the options before the worker starts, as OK does later.
    session.applyWorkerOptions();
    REQUIRE(session.start([] { return std::make_unique<FakeCdAudioDevice>(); }));
    CHECK(session.setup().options.stopOnClose == 1);
    CHECK(session.setup().options.detectMultiSession == 0);

    options.detectMultiSession = 1;
    session.applyWorkerOptions();
    CHECK(session.shared().newOptions.stopOnClose == 1);
    CHECK(session.shared().newOptions.detectMultiSession == 1);
}
