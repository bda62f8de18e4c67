// The volume control over a fake mixer and the system's, and its stand-in
// without the mixer line, a fake audio session. (Here rather than with the
// application's tests because opening a control needs a window, and so the
// X display.)
#include <doctest.h>

#include "audio/mixer_api_win32.h"
#include "audio/session_volume_win32.h"
#include "audio/volume_control_win32.h"
#include "settings/options.h"
#include "support/ui_test_support_win32.h"

#include <windows.h>

#include <mmsystem.h> // after <windows.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

using namespace rubo;

namespace {

// ---- A fake mixer behind the MixerApi seam ----

struct FakeControl {
    DWORD id, type, flags, items, minimum, maximum, steps;
    std::vector<DWORD> values; // one per channel
};

struct FakeLine {
    DWORD id, type, channels;
    bool destination;
    DWORD destIndex, sourceIndex;
    std::string name;
    std::vector<FakeControl> controls;
};

// One details call: control, channels, items and every 4-byte entry.
struct Write {
    DWORD controlId, channels, items;
    std::vector<DWORD> entries;
    bool operator==(const Write& o) const {
        return controlId == o.controlId && channels == o.channels && items == o.items &&
               entries == o.entries;
    }
};

Write writeOf(const MIXERCONTROLDETAILS& d) {
    const auto* in = static_cast<const DWORD*>(d.paDetails);
    const DWORD count = std::max<DWORD>(d.cChannels, 1) * std::max<DWORD>(d.cMultipleItems, 1);
    return {d.dwControlID, d.cChannels, d.cMultipleItems, {in, in + count}};
}

struct FakeMixer {
    UINT devices = 1;
    MMRESULT waveOpenResult = 0, getIdResult = 0, openResult = 0, readResult = 0;
    UINT mixerId = 3;
    std::vector<FakeLine> lines;
    // What the control did.
    int waveOpens = 0;
    UINT waveDevice = 0;
    WAVEFORMATEX format{};
    DWORD_PTR waveCallback = 0;
    DWORD waveFlags = 0, getIdFlags = 0, openFlags = 0, readChannels = 0;
    bool waveOpen = false, waveClosed = false;
    UINT openedId = 0;
    std::vector<HWND> windows;
    std::vector<HMIXER> open, closed;
    std::vector<Write> writes;
};

FakeMixer fake;
const HWAVEOUT kWave = reinterpret_cast<HWAVEOUT>(0x5100);

bool isOpen(HMIXEROBJ object, DWORD flags) {
    return (flags & 0xF0000000ul) == MIXER_OBJECTF_HMIXER &&
           std::count(fake.open.begin(), fake.open.end(), reinterpret_cast<HMIXER>(object)) == 1;
}

FakeLine* findLine(const MIXERLINEA& q, DWORD query) {
    for (FakeLine& l : fake.lines)
        if ((query == MIXER_GETLINEINFOF_COMPONENTTYPE && l.type == q.dwComponentType) ||
            (query == MIXER_GETLINEINFOF_LINEID && l.id == q.dwLineID) ||
            (query == MIXER_GETLINEINFOF_DESTINATION && l.destination &&
             l.destIndex == q.dwDestination) ||
            (query == MIXER_GETLINEINFOF_SOURCE && !l.destination &&
             l.destIndex == q.dwDestination && l.sourceIndex == q.dwSource))
            return &l;
    return nullptr;
}

FakeControl* findControl(DWORD id) {
    for (FakeLine& l : fake.lines)
        for (FakeControl& c : l.controls)
            if (c.id == id)
                return &c;
    return nullptr;
}

void fillControl(MIXERCONTROLA& out, const FakeControl& c) {
    out.dwControlID = c.id;
    out.dwControlType = c.type;
    out.fdwControl = c.flags;
    out.cMultipleItems = c.items;
    out.Bounds.dwMinimum = c.minimum;
    out.Bounds.dwMaximum = c.maximum;
    out.Metrics.cSteps = c.steps;
}

UINT fakeNumDevs() {
    return fake.devices;
}

MMRESULT fakeWaveOpen(HWAVEOUT* wave, UINT device, const WAVEFORMATEX* format, DWORD_PTR callback,
                      DWORD_PTR, DWORD flags) {
    ++fake.waveOpens;
    fake.waveDevice = device;
    fake.format = *format;
    fake.waveCallback = callback;
    fake.waveFlags = flags;
    fake.waveOpen = fake.waveOpenResult == MMSYSERR_NOERROR;
    if (fake.waveOpen)
        *wave = kWave;
    return fake.waveOpenResult;
}

MMRESULT fakeWaveClose(HWAVEOUT wave) {
    fake.waveClosed = wave == kWave && fake.waveOpen;
    fake.waveOpen = false;
    return MMSYSERR_NOERROR;
}

MMRESULT fakeGetId(HMIXEROBJ object, UINT* id, DWORD flags) {
    fake.getIdFlags = flags;
    if (reinterpret_cast<HWAVEOUT>(object) != kWave || !fake.waveOpen)
        return MMSYSERR_INVALHANDLE;
    *id = fake.mixerId;
    return fake.getIdResult;
}

MMRESULT fakeOpen(HMIXER* mixer, UINT id, DWORD_PTR callback, DWORD_PTR, DWORD flags) {
    fake.openedId = id;
    fake.openFlags = flags;
    fake.windows.push_back(reinterpret_cast<HWND>(callback));
    if (fake.openResult != MMSYSERR_NOERROR)
        return fake.openResult;
    *mixer = reinterpret_cast<HMIXER>(0x7100 + fake.windows.size());
    fake.open.push_back(*mixer);
    return MMSYSERR_NOERROR;
}

MMRESULT fakeClose(HMIXER mixer) {
    fake.closed.push_back(mixer);
    fake.open.erase(std::remove(fake.open.begin(), fake.open.end(), mixer), fake.open.end());
    return MMSYSERR_NOERROR;
}

MMRESULT fakeDevCaps(UINT_PTR id, MIXERCAPSA* caps, UINT size) {
    if (id != fake.mixerId || size != sizeof(MIXERCAPSA))
        return MMSYSERR_BADDEVICEID;
    *caps = MIXERCAPSA{};
    for (const FakeLine& l : fake.lines)
        caps->cDestinations += l.destination;
    return MMSYSERR_NOERROR;
}

MMRESULT fakeLineInfo(HMIXEROBJ object, MIXERLINEA* q, DWORD flags) {
    if (!isOpen(object, flags) || q->cbStruct != sizeof(MIXERLINEA))
        return MMSYSERR_INVALHANDLE;
    const FakeLine* l = findLine(*q, flags & MIXER_GETLINEINFOF_QUERYMASK);
    if (!l)
        return MIXERR_INVALLINE;
    q->dwDestination = l->destIndex;
    q->dwSource = l->sourceIndex;
    q->dwLineID = l->id;
    q->dwComponentType = l->type;
    q->cChannels = l->channels;
    q->cControls = static_cast<DWORD>(l->controls.size());
    q->cConnections = 0;
    for (const FakeLine& s : fake.lines)
        q->cConnections += l->destination && !s.destination && s.destIndex == l->destIndex;
    q->szName[l->name.copy(q->szName, sizeof(q->szName) - 1)] = '\0';
    return MMSYSERR_NOERROR;
}

MMRESULT fakeLineControls(HMIXEROBJ object, MIXERLINECONTROLSA* q, DWORD flags) {
    MIXERLINEA byId{};
    byId.dwLineID = q->dwLineID;
    const FakeLine* l = findLine(byId, MIXER_GETLINEINFOF_LINEID);
    if (!isOpen(object, flags) || q->cbmxctrl != sizeof(MIXERCONTROLA) || !l)
        return MMSYSERR_INVALPARAM;
    const DWORD query = flags & MIXER_GETLINECONTROLSF_QUERYMASK;
    if (query == MIXER_GETLINECONTROLSF_ALL && q->cControls == l->controls.size()) {
        for (size_t i = 0; i < l->controls.size(); ++i)
            fillControl(q->pamxctrl[i], l->controls[i]);
        return MMSYSERR_NOERROR;
    }
    for (const FakeControl& c : l->controls)
        if (query == MIXER_GETLINECONTROLSF_ONEBYTYPE && q->cControls == 1 &&
            c.type == q->dwControlType) {
            fillControl(*q->pamxctrl, c);
            return MMSYSERR_NOERROR;
        }
    return MIXERR_INVALCONTROL;
}

MMRESULT fakeGetDetails(HMIXEROBJ object, MIXERCONTROLDETAILS* d, DWORD flags) {
    const FakeControl* c = findControl(d->dwControlID);
    if (!isOpen(object, flags) || !c || d->cbDetails != 4)
        return MMSYSERR_INVALPARAM;
    fake.readChannels = d->cChannels;
    for (DWORD ch = 0; ch < d->cChannels && ch < c->values.size(); ++ch)
        static_cast<DWORD*>(d->paDetails)[ch] = c->values[ch];
    return fake.readResult;
}

MMRESULT fakeSetDetails(HMIXEROBJ object, MIXERCONTROLDETAILS* d, DWORD flags) {
    FakeControl* c = findControl(d->dwControlID);
    if (!isOpen(object, flags) || !c || d->cbDetails != 4)
        return MMSYSERR_INVALPARAM;
    fake.writes.push_back(writeOf(*d));
    if (d->cMultipleItems == 0)
        for (DWORD ch = 0; ch < d->cChannels && ch < c->values.size(); ++ch)
            c->values[ch] = fake.writes.back().entries[ch];
    return MMSYSERR_NOERROR;
}

const MixerApi kFakeApi = {fakeNumDevs,      fakeWaveOpen,   fakeWaveClose, fakeGetId,
                           fakeOpen,         fakeClose,      fakeDevCaps,   fakeLineInfo,
                           fakeLineControls, fakeGetDetails, fakeSetDetails};

// ---- A fake audio session behind the opener seam ----

struct FakeSession {
    bool available = false; // as on Windows XP: no Core Audio
    bool readFails = false;
    float level = 1.0f;
    int opens = 0, alive = 0;
    HWND window = nullptr;
    UINT message = 0;
    std::vector<float> levels;
    std::vector<bool> mutes;
};

FakeSession session;

class FakeSessionVolume : public SessionVolume {
public:
    FakeSessionVolume() { ++session.alive; }
    ~FakeSessionVolume() override { --session.alive; }
    bool level(float& value) const override {
        value = session.level;
        return !session.readFails;
    }
    bool setLevel(float value) override {
        session.levels.push_back(value);
        session.level = value;
        return true;
    }
    bool setMute(bool mute) override {
        session.mutes.push_back(mute);
        return true;
    }
};

std::unique_ptr<SessionVolume> openFakeSession(HWND window, UINT message) {
    ++session.opens;
    session.window = window;
    session.message = message;
    if (!session.available)
        return nullptr;
    return std::make_unique<FakeSessionVolume>();
}

// Installs a table for one test and restores the system's afterwards.
struct ScopedApi {
    explicit ScopedApi(const MixerApi* api) { setMixerApi(api); }
    ~ScopedApi() { setMixerApi(nullptr); }
};

struct ScopedOpener {
    explicit ScopedOpener(SessionOpener opener) { setSessionOpener(opener); }
    ~ScopedOpener() { setSessionOpener(nullptr); }
};

struct FakeFixture {
    ScopedApi api{&kFakeApi};
    ScopedOpener opener{openFakeSession};
    FakeFixture() {
        fake = FakeMixer{};
        session = FakeSession{};
    }
};

const DWORD kUniform = MIXERCONTROL_CONTROLF_UNIFORM;
const DWORD kMultiple = MIXERCONTROL_CONTROLF_MULTIPLE;

FakeControl volumeControl(DWORD id, std::vector<DWORD> values, DWORD minimum = 0,
                          DWORD maximum = 65535, DWORD flags = kUniform) {
    return {id, MIXERCONTROL_CONTROLTYPE_VOLUME, flags, 0, minimum, maximum, 31, std::move(values)};
}

FakeControl switchControl(DWORD id, DWORD type, DWORD flags, DWORD items) {
    return {id, type, flags, items, 0, 1, 0, {}};
}

// A source of destination 9, which the mixer does not list.
FakeLine cdLine(DWORD channels, std::vector<FakeControl> controls) {
    return {0x10001, 4101, channels, false, 9, 1, "CD Audio", std::move(controls)};
}

FakeLine destination(DWORD index, DWORD type) {
    return {0xFFFF0000 + index, type, 2, true, index, 0, "Speakers", {}};
}

FakeLine sourceOf(DWORD dest, DWORD index, DWORD type, const std::string& name) {
    return {0x20000 + dest * 16 + index, type, 2, false, dest, index, name, {}};
}

// ---- Helpers ----

std::vector<std::pair<long, std::uintptr_t>> callbacks;

void recordChange(long volume, std::uintptr_t userData) {
    callbacks.emplace_back(volume, userData);
}

void postChange(HWND window, DWORD controlId) {
    PostMessageA(window, MM_MIXM_CONTROL_CHANGE, 0, static_cast<LPARAM>(controlId));
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageA(&msg);
}

void checkUnusable(CVolumeControl& control) {
    CHECK_FALSE(control.hasVolume());
    CHECK_FALSE(control.range());
    CHECK_FALSE(control.getVolume());
    control.setVolume(0);
    control.enableLine();
    control.disableLine();
    std::vector<std::string> names{"stale"};
    std::vector<unsigned long> types{1};
    control.listSourceLines(names, types);
    CHECK(names.empty());
    CHECK(types.empty());
}

// Top-level windows need a display under Wine; without one the cases that
// open a control are skipped, visibly.
bool windowsAvailable() {
    static const bool available = [] {
        HWND window = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                      GetModuleHandleA(nullptr), nullptr);
        if (window)
            DestroyWindow(window);
        return window != nullptr;
    }();
    if (!available)
        MESSAGE("no display for top-level windows: skipped (run under Xvfb)");
    return available;
}

} // namespace

TEST_CASE_FIXTURE(FakeFixture, "volume control: opens the wave mapper's mixer and a window") {
    if (!windowsAvailable())
        return;
    fake.lines = {cdLine(1, {volumeControl(7, {1200}, 0, 65535)})};
    HWND window = nullptr;
    {
        CVolumeControl control(kVolumeTypeCd);
        CHECK(control.opened());
        CHECK(control.lineFound());
        CHECK(CVolumeControl::notificationTarget() == &control);
        CHECK(fake.waveDevice == WAVE_MAPPER);
        CHECK(fake.format.wFormatTag == WAVE_FORMAT_PCM);
        CHECK(fake.format.nChannels == 1);
        CHECK(fake.format.nSamplesPerSec == 22050);
        CHECK(fake.format.wBitsPerSample == 16);
        CHECK(fake.format.nBlockAlign == 2);
        CHECK(fake.format.nAvgBytesPerSec == 44100);
        CHECK(fake.waveCallback == 0);
        CHECK(fake.waveFlags == CALLBACK_NULL);
        CHECK(fake.waveClosed);
        CHECK(fake.getIdFlags == MIXER_OBJECTF_HWAVEOUT);
        CHECK(fake.openedId == 3);
        CHECK(fake.openFlags == CALLBACK_WINDOW);
        REQUIRE(fake.windows.size() == 1);
        window = fake.windows[0];
        char text[64] = {};
        GetClassNameA(window, text, sizeof(text));
        CHECK(std::string(text) == "Wave Output Volume Msg Wnd Class");
        GetWindowTextA(window, text, sizeof(text));
        CHECK(std::string(text) == "Wave Output Volume Msg Wnd");
        CHECK_FALSE(IsWindowVisible(window));
        CHECK_FALSE(IsWindowEnabled(window));
        CHECK((GetWindowLongA(window, GWL_STYLE) & WS_POPUP) != 0);
        CHECK(GetParent(window) == nullptr);
        RECT rect{1, 1, 1, 1};
        GetWindowRect(window, &rect);
        CHECK((rect.left == 0 && rect.top == 0 && rect.right == 0 && rect.bottom == 0));
        REQUIRE(control.range());
        CHECK(control.range()->steps == 31);
        CHECK(control.range()->minimum == 0);
        CHECK(control.range()->maximum == 65535);
    }
    CHECK(fake.open.empty());
    CHECK(fake.closed.size() == 1);
    CHECK_FALSE(IsWindow(window));
    CHECK(CVolumeControl::notificationTarget() == nullptr);
}

TEST_CASE_FIXTURE(FakeFixture, "volume control: mono and stereo lines") {
    if (!windowsAvailable())
        return;
    SUBCASE("mono: one channel read and written") {
        fake.lines = {cdLine(1, {volumeControl(7, {1200})})};
        CVolumeControl control(kVolumeTypeCd);
        CHECK(control.getVolume() == 1200);
        CHECK(fake.readChannels == 1);
        control.setVolume(300);
        CHECK(fake.writes == std::vector<Write>{{7, 1, 0, {300}}});
        CHECK(control.getVolume() == 300);
    }
    SUBCASE("stereo: both channels written, the left one read") {
        fake.lines = {cdLine(2, {volumeControl(7, {100, 200})})};
        CVolumeControl control(kVolumeTypeCd);
        CHECK(control.getVolume() == 100);
        CHECK(fake.readChannels == 2);
        fake.lines[0].controls[0].values = {900, 5};
        CHECK(control.getVolume() == 900);
        control.setVolume(4000);
        CHECK(fake.writes == std::vector<Write>{{7, 2, 0, {4000, 4000}}});
    }
}

TEST_CASE_FIXTURE(FakeFixture, "volume control: a value outside the bounds is not set") {
    if (!windowsAvailable())
        return;
    fake.lines = {cdLine(2, {volumeControl(7, {50, 50}, 10, 1000)})};
    CVolumeControl control(kVolumeTypeCd);
    control.setVolume(9);
    control.setVolume(1001);
    control.setVolume(0xFFFFFFFFul);
    CHECK(fake.writes.empty());
    control.setVolume(10);
    control.setVolume(1000);
    CHECK(fake.writes == std::vector<Write>{{7, 2, 0, {10, 10}}, {7, 2, 0, {1000, 1000}}});
}

TEST_CASE_FIXTURE(FakeFixture, "volume control: a line without a usable volume control") {
    if (!windowsAvailable())
        return;
    const FakeControl mute = switchControl(8, MIXERCONTROL_CONTROLTYPE_MUTE, kUniform, 0);
    SUBCASE("disabled volume control") {
        const DWORD disabled = MIXERCONTROL_CONTROLF_DISABLED;
        fake.lines = {cdLine(2, {volumeControl(7, {5, 5}, 0, 100, disabled), mute})};
    }
    SUBCASE("no volume control") {
        fake.lines = {cdLine(2, {mute})};
    }
    CVolumeControl control(kVolumeTypeCd);
    CHECK(control.opened());
    CHECK(control.lineFound());
    CHECK_FALSE(control.getVolume());
    control.setVolume(50);
    CHECK(fake.writes.empty());
    control.disableLine(); // the line itself can still be switched
    CHECK(fake.writes == std::vector<Write>{{8, 1, 0, {1}}});
    fake.writes.clear();
    checkUnusable(control);
}

TEST_CASE_FIXTURE(FakeFixture, "volume control: failures leave the control unusable") {
    fake.lines = {cdLine(1, {volumeControl(7, {1200})})};
    SUBCASE("no mixer devices") {
        fake.devices = 0;
        CVolumeControl control(kVolumeTypeCd);
        CHECK(fake.waveOpens == 0);
        CHECK_FALSE(control.opened());
        checkUnusable(control);
    }
    SUBCASE("the wave output does not open") {
        fake.waveOpenResult = MMSYSERR_ALLOCATED;
        CVolumeControl control(kVolumeTypeCd);
        CHECK_FALSE(control.opened());
        CHECK(fake.windows.empty());
        checkUnusable(control);
    }
    SUBCASE("no mixer for the wave output") {
        fake.getIdResult = MMSYSERR_NODRIVER;
        CVolumeControl control(kVolumeTypeCd);
        CHECK(fake.waveClosed);
        CHECK(fake.windows.empty());
        checkUnusable(control);
    }
    SUBCASE("the mixer does not open") {
        if (!windowsAvailable())
            return;
        fake.openResult = MMSYSERR_ALLOCATED;
        CVolumeControl control(kVolumeTypeCd);
        REQUIRE(fake.windows.size() == 1);
        CHECK_FALSE(IsWindow(fake.windows[0]));
        CHECK(CVolumeControl::notificationTarget() == nullptr);
        checkUnusable(control);
    }
    SUBCASE("no line of the type and no audio session: mixer closed, windows gone, the "
            "earlier control stays the target") {
        if (!windowsAvailable())
            return;
        CVolumeControl first(kVolumeTypeCd);
        CHECK(CVolumeControl::notificationTarget() == &first);
        CVolumeControl control(MIXERLINE_COMPONENTTYPE_SRC_LINE);
        CHECK_FALSE(control.lineFound());
        CHECK_FALSE(control.opened());
        CHECK_FALSE(control.usesSession());
        REQUIRE(fake.windows.size() == 2);
        CHECK(fake.closed.size() == 1);
        CHECK_FALSE(IsWindow(fake.windows[1]));
        CHECK(session.opens == 1);
        CHECK_FALSE(IsWindow(session.window));
        CHECK(CVolumeControl::notificationTarget() == &first);
        checkUnusable(control);
        CHECK(fake.writes.empty());
    }
    CHECK(CVolumeControl::notificationTarget() == nullptr);
    CHECK(fake.open.empty());
}

TEST_CASE_FIXTURE(FakeFixture,
                  "volume control: the newest live control gets change notifications") {
    if (!windowsAvailable())
        return;
    fake.lines = {cdLine(2, {volumeControl(21, {400, 10})})};
    callbacks.clear();
    auto first = std::make_unique<CVolumeControl>(kVolumeTypeCd);
    first->setChangeCallback(recordChange, 1);
    auto second = std::make_unique<CVolumeControl>(kVolumeTypeCd);
    second->setChangeCallback(recordChange, 2);
    REQUIRE(fake.windows.size() == 2);
    CHECK(CVolumeControl::notificationTarget() == second.get());

    postChange(fake.windows[0], 21);
    CHECK(callbacks == std::vector<std::pair<long, std::uintptr_t>>{{400, 2}});
    postChange(fake.windows[1], 22); // another control
    CHECK(callbacks.size() == 1);
    fake.readResult = MMSYSERR_ERROR; // the volume cannot be read
    postChange(fake.windows[1], 21);
    CHECK(callbacks.size() == 1);
    fake.readResult = MMSYSERR_NOERROR;
    fake.lines[0].controls[0].values = {77, 10};
    postChange(fake.windows[1], 21);
    CHECK(callbacks.back() == std::pair<long, std::uintptr_t>{77, 2});

    // The newest ends (the Options page closes): the one before it is told again.
    HWND window = fake.windows[1];
    second.reset();
    CHECK_FALSE(IsWindow(window));
    CHECK(CVolumeControl::notificationTarget() == first.get());
    fake.lines[0].controls[0].values = {55, 10};
    postChange(fake.windows[0], 21);
    CHECK(callbacks.back() == std::pair<long, std::uintptr_t>{55, 1});

    auto third = std::make_unique<CVolumeControl>(kVolumeTypeCd);
    first.reset(); // not the target: the target stays
    CHECK(CVolumeControl::notificationTarget() == third.get());
    third.reset();
    CHECK(CVolumeControl::notificationTarget() == nullptr);
    CHECK(callbacks.size() == 3);
}

TEST_CASE_FIXTURE(FakeFixture, "volume control: a throwing change callback stays in its window") {
    if (!windowsAvailable())
        return;
    fake.lines = {cdLine(2, {volumeControl(21, {400, 10})})};
    CVolumeControl control(kVolumeTypeCd);
    control.setChangeCallback([](long, std::uintptr_t) { throw std::runtime_error("change"); }, 0);
    REQUIRE(fake.windows.size() == 1);
    CHECK_NOTHROW(postChange(fake.windows[0], 21));
}

TEST_CASE_FIXTURE(FakeFixture, "volume control: enabling and disabling the line") {
    if (!windowsAvailable())
        return;
    fake.lines = {cdLine(
        2, {volumeControl(1, {9, 9}), switchControl(2, MIXERCONTROL_CONTROLTYPE_MUTE, kUniform, 0),
            switchControl(3, MIXERCONTROL_CONTROLTYPE_MUX, kMultiple, 3),
            switchControl(4, MIXERCONTROL_CONTROLTYPE_MULTIPLESELECT, kMultiple | kUniform, 2),
            switchControl(5, MIXERCONTROL_CONTROLTYPE_SINGLESELECT, kMultiple, 2),
            switchControl(6, MIXERCONTROL_CONTROLTYPE_MIXER, kMultiple | kUniform, 4),
            switchControl(7, MIXERCONTROL_CONTROLTYPE_BASS, 0, 0),
            switchControl(8, MIXERCONTROL_CONTROLTYPE_MUTE, 0, 0)})};
    CVolumeControl control(kVolumeTypeCd);
    for (DWORD on : {1ul, 0ul}) {
        CAPTURE(on);
        fake.writes.clear();
        on ? control.enableLine() : control.disableLine();
        const DWORD mute = !on;
        // Volume and bass are left alone; per channel, one entry per item.
        const std::vector<Write> expected = {{2, 1, 0, {mute}},
                                             {3, 2, 3, std::vector<DWORD>(6, on)},
                                             {4, 1, 2, std::vector<DWORD>(2, on)},
                                             {5, 2, 2, std::vector<DWORD>(4, on)},
                                             {6, 1, 4, std::vector<DWORD>(4, on)},
                                             {8, 2, 0, {mute, mute}}};
        CHECK(fake.writes == expected);
    }
}

TEST_CASE_FIXTURE(FakeFixture, "volume control: listing the speakers' source lines") {
    if (!windowsAvailable())
        return;
    const FakeLine cd = cdLine(1, {volumeControl(7, {1})});
    const DWORD speakers = MIXERLINE_COMPONENTTYPE_DST_SPEAKERS;
    std::vector<std::string> names{"stale"};
    std::vector<unsigned long> types{99};
    SUBCASE("the speakers' sources, not the recording destination's") {
        fake.lines = {cd,
                      destination(0, speakers),
                      sourceOf(0, 0, 4101, "CD Audio"),
                      sourceOf(0, 1, 4104, "Wave"),
                      sourceOf(0, 2, 4098, std::string(80, 'x')), // longer than the field
                      destination(1, MIXERLINE_COMPONENTTYPE_DST_WAVEIN),
                      sourceOf(1, 0, 4099, "Mic")};
        CVolumeControl control(kVolumeTypeCd);
        control.listSourceLines(names, types);
        CHECK(names == std::vector<std::string>{"CD Audio", "Wave", std::string(63, 'x')});
        CHECK(types == std::vector<unsigned long>{4101, 4104, 4098});
    }
    SUBCASE("a speaker destination without sources lists nothing") {
        fake.lines = {cd, destination(0, speakers)};
        CVolumeControl control(kVolumeTypeCd);
        control.listSourceLines(names, types);
        CHECK(names.empty());
        CHECK(types.empty());
    }
    SUBCASE("a later speaker destination reuses the positions") {
        fake.lines = {cd,
                      destination(0, speakers),
                      sourceOf(0, 0, 4101, "A0"),
                      sourceOf(0, 1, 4102, "A1"),
                      destination(1, speakers),
                      sourceOf(1, 0, 4105, "B0")};
        CVolumeControl control(kVolumeTypeCd);
        control.listSourceLines(names, types);
        CHECK(names == std::vector<std::string>{"B0", "A1"});
        CHECK(types == std::vector<unsigned long>{4105, 4102});
    }
}

// ---- Without the line: the program's audio session ----

namespace {

std::string classOf(HWND window) {
    char text[64] = {};
    GetClassNameA(window, text, sizeof(text));
    return text;
}

// Posts what the session's event sink posts and handles it.
void postSessionChange(HWND window) {
    PostMessageA(window, CVolumeControl::kSessionChanged, 0, 0);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageA(&msg);
}

} // namespace

TEST_CASE_FIXTURE(FakeFixture, "volume control: without the line the audio session takes over") {
    if (!windowsAvailable())
        return;
    session.available = true;
    session.level = 0.5f;
    SUBCASE("the mixer has no line of the type") {
        fake.lines = {sourceOf(0, 0, 4104, "Wave")};
    }
    SUBCASE("no mixer at all") {
        fake.devices = 0;
    }
    HWND window = nullptr;
    {
        CVolumeControl control(kVolumeTypeCd);
        CHECK_FALSE(control.opened());
        CHECK_FALSE(control.lineFound());
        CHECK(control.usesSession());
        CHECK(fake.open.empty());
        CHECK(session.opens == 1);
        window = session.window;
        CHECK(classOf(window) == "Wave Output Volume Msg Wnd Class");
        CHECK_FALSE(IsWindowVisible(window));
        CHECK(session.message == CVolumeControl::kSessionChanged);
        CHECK(CVolumeControl::notificationTarget() == &control);

        REQUIRE(control.hasVolume());
        CHECK(control.range()->minimum == 0);
        CHECK(control.range()->maximum == 65535);
        CHECK(control.getVolume() == 32768);
        control.setVolume(16384);
        REQUIRE(session.levels.size() == 1);
        CHECK(session.levels[0] == doctest::Approx(0.25).epsilon(0.001));
        CHECK(control.getVolume() == 16384);
        control.setVolume(65536); // out of range
        CHECK(session.levels.size() == 1);
        control.setVolume(65535);
        CHECK(session.levels.back() == 1.0f);

        control.enableLine();
        control.disableLine();
        CHECK(session.mutes == std::vector<bool>{false, true});
        CHECK(fake.writes.empty());

        std::vector<std::string> names{"stale"};
        std::vector<unsigned long> types{1};
        control.listSourceLines(names, types); // the options page shows its fixed list
        CHECK(names.empty());
        CHECK(types.empty());

        session.readFails = true;
        CHECK_FALSE(control.getVolume());
    }
    CHECK(session.alive == 0);
    CHECK_FALSE(IsWindow(window));
    CHECK(CVolumeControl::notificationTarget() == nullptr);
}

TEST_CASE_FIXTURE(FakeFixture, "volume control: with the line the audio session stays out") {
    if (!windowsAvailable())
        return;
    session.available = true;
    fake.lines = {cdLine(2, {volumeControl(7, {100, 100}),
                             switchControl(8, MIXERCONTROL_CONTROLTYPE_MUTE, kUniform, 0)})};
    CVolumeControl control(kVolumeTypeCd);
    CHECK(control.lineFound());
    CHECK_FALSE(control.usesSession());
    CHECK(session.opens == 0);
    control.setVolume(300);
    control.enableLine();
    CHECK(fake.writes == std::vector<Write>{{7, 2, 0, {300, 300}}, {8, 1, 0, {0}}});
    CHECK(session.levels.empty());
    CHECK(session.mutes.empty());
}

TEST_CASE_FIXTURE(FakeFixture, "volume control: outside changes of the audio session") {
    if (!windowsAvailable())
        return;
    session.available = true;
    session.level = 0.5f;
    fake.devices = 0;
    callbacks.clear();
    auto first = std::make_unique<CVolumeControl>(kVolumeTypeCd);
    first->setChangeCallback(recordChange, 1);
    HWND firstWindow = session.window;

    SUBCASE("the session's event") {
        session.level = 0.75f;
        postSessionChange(firstWindow);
        CHECK(callbacks == std::vector<std::pair<long, std::uintptr_t>>{{49151, 1}});
        postSessionChange(firstWindow); // nothing new
        CHECK(callbacks.size() == 1);
        first->setVolume(1000); // the control's own change is not reported back
        postSessionChange(firstWindow);
        CHECK(callbacks.size() == 1);
        session.level = 0.2f;
        session.readFails = true;
        postSessionChange(firstWindow);
        CHECK(callbacks.size() == 1);
    }
    SUBCASE("the owner's polling, for a system whose events do not come") {
        session.level = 0.2f;
        first->pollSession();
        CHECK(callbacks == std::vector<std::pair<long, std::uintptr_t>>{{13107, 1}});
        first->pollSession(); // nothing new
        CHECK(callbacks.size() == 1);
    }
    SUBCASE("only the newest live control is told") {
        auto second = std::make_unique<CVolumeControl>(kVolumeTypeCd);
        second->setChangeCallback(recordChange, 2);
        HWND secondWindow = session.window;
        CHECK(CVolumeControl::notificationTarget() == second.get());
        session.level = 0.25f;
        postSessionChange(firstWindow);
        first->pollSession();
        CHECK(callbacks.empty());
        postSessionChange(secondWindow);
        CHECK(callbacks == std::vector<std::pair<long, std::uintptr_t>>{{16384, 2}});
        second.reset(); // the first is told again
        CHECK(CVolumeControl::notificationTarget() == first.get());
        session.level = 0.75f;
        postSessionChange(firstWindow);
        CHECK(callbacks.back() == std::pair<long, std::uintptr_t>{49151, 1});
    }
}

// ---- The system's mixer (under Wine: one with a working audio driver) ----

namespace {

// The real functions, but the first wave output instead of the mapper
// (whose handle Wine gives no mixer id), with the details calls recorded.
struct Tap {
    HMIXEROBJ mixer = nullptr;
    DWORD lastRead = 0;
    std::vector<Write> writes;
} tap;

MMRESULT tapWaveOpen(HWAVEOUT* wave, UINT device, const WAVEFORMATEX* format, DWORD_PTR callback,
                     DWORD_PTR instance, DWORD flags) {
    return systemMixerApi().waveOutOpen(wave, device == WAVE_MAPPER ? 0 : device, format, callback,
                                        instance, flags);
}

MMRESULT tapGet(HMIXEROBJ object, MIXERCONTROLDETAILS* details, DWORD flags) {
    tap.lastRead = details->dwControlID;
    return systemMixerApi().getControlDetails(object, details, flags);
}

MMRESULT tapSet(HMIXEROBJ object, MIXERCONTROLDETAILS* details, DWORD flags) {
    tap.mixer = object;
    tap.writes.push_back(writeOf(*details));
    return systemMixerApi().setControlDetails(object, details, flags);
}

// What the mixer now holds for a recorded write.
Write readBack(Write write) {
    MIXERCONTROLDETAILS details{};
    details.cbStruct = sizeof(details);
    details.dwControlID = write.controlId;
    details.cChannels = write.channels;
    details.cMultipleItems = write.items;
    details.cbDetails = 4;
    std::fill(write.entries.begin(), write.entries.end(), 0xBADu);
    details.paDetails = write.entries.data();
    systemMixerApi().getControlDetails(tap.mixer, &details,
                                       MIXER_GETCONTROLDETAILSF_VALUE | MIXER_OBJECTF_HMIXER);
    return write;
}

void checkLineState(CVolumeControl& control, bool on) {
    tap.writes.clear();
    on ? control.enableLine() : control.disableLine();
    CHECK_FALSE(tap.writes.empty());
    for (const Write& write : tap.writes)
        CHECK(readBack(write) == write);
}

} // namespace

TEST_CASE("volume control: the system mixer") {
    setMixerApi(nullptr);
    // The mixer only: the system's audio session is test_session_volume's.
    ScopedOpener noSession(openFakeSession);
    session = FakeSession{};
    if (mixerGetNumDevs() == 0) {
        MESSAGE("no mixer device here (no working audio driver): only the unopened control is "
                "checked");
        CVolumeControl control(kVolumeTypeCd);
        CHECK_FALSE(control.opened());
        CHECK(CVolumeControl::notificationTarget() == nullptr);
        checkUnusable(control);
        return;
    }
    if (!windowsAvailable())
        return;
    {
        CVolumeControl control(MIXERLINE_COMPONENTTYPE_DST_SPEAKERS);
        if (!control.opened()) {
            MESSAGE("a mixer exists, but not for the wave mapper's handle; the rest uses the "
                    "first wave output");
            checkUnusable(control);
        }
    }
    MixerApi api = systemMixerApi();
    api.waveOutOpen = tapWaveOpen;
    api.getControlDetails = tapGet;
    api.setControlDetails = tapSet;
    ScopedApi scoped(&api);
    CVolumeControl control(MIXERLINE_COMPONENTTYPE_DST_SPEAKERS);
    REQUIRE(control.range());
    const VolumeRange range = *control.range();
    CHECK(range.minimum < range.maximum);
    CHECK(range.steps > 0);

    const std::optional<long> before = control.getVolume();
    const long middle = (range.minimum + range.maximum) / 2;
    control.setVolume(static_cast<unsigned long>(middle));
    CHECK(std::abs(control.getVolume().value_or(-1) - middle) <= 1);
    control.setVolume(static_cast<unsigned long>(range.maximum) + 1);
    CHECK(std::abs(control.getVolume().value_or(-1) - middle) <= 1);

    callbacks.clear();
    control.setChangeCallback(recordChange, 5);
    HWND window = FindWindowA("Wave Output Volume Msg Wnd Class", "Wave Output Volume Msg Wnd");
    REQUIRE(window != nullptr);
    postChange(window, tap.lastRead);
    REQUIRE(callbacks.size() == 1);
    CHECK(std::abs(callbacks[0].first - middle) <= 1);
    CHECK(callbacks[0].second == 5);

    checkLineState(control, false);
    checkLineState(control, true);

    std::vector<std::string> names;
    std::vector<unsigned long> types;
    control.listSourceLines(names, types);
    CHECK_FALSE(names.empty());
    CHECK(types.size() == names.size());
    for (size_t i = 0; i < names.size(); ++i)
        MESSAGE("source line " << i + 1 << ": " << names[i] << " (" << types[i] << ")");

    CVolumeControl cd(kVolumeTypeCd); // Wine's mixer has no CD line
    CHECK_FALSE(cd.lineFound());
    CHECK(session.opens > 0); // the stand-in was asked for
    CHECK(CVolumeControl::notificationTarget() == &control);
    checkUnusable(cd);

    if (before)
        control.setVolume(static_cast<unsigned long>(*before));
}
