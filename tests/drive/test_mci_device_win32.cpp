#include <doctest.h>

#include "drive/cd_audio_device.h"

#include <windows.h>

#include <mmsystem.h> // after <windows.h>

#include <string>
#include <vector>

using namespace rubo;

namespace {

// One command as the backend saw it, with the fields of its parameter block.
struct SentCommand {
    std::uint32_t deviceId = 0;
    std::uint32_t command = 0;
    std::uintptr_t flags = 0;
    DWORD_PTR callback = 0;
    // MCI_OPEN
    std::uintptr_t deviceType = 0;
    std::string element;
    std::string alias;
    bool hasElement = false;
    bool hasAlias = false;
    // MCI_STATUS
    DWORD_PTR presetReturn = 0;
    DWORD item = 0;
    DWORD track = 0;
    // MCI_SET
    DWORD timeFormat = 0;
    // MCI_PLAY
    DWORD from = 0;
    DWORD to = 0;
    // MCI_INFO
    LPSTR infoBuffer = nullptr;
    DWORD infoSize = 0;
};

struct Script {
    std::vector<SentCommand> sent;
    MciError result = 0;
    UINT openedId = 0;
    DWORD_PTR statusAnswer = 0;
    std::uint32_t tick = 1000;
};
Script script;

// Reads the block the way the real MCI would for the command and its flags.
MciError recordingSend(std::uint32_t deviceId, std::uint32_t command, std::uintptr_t flags,
                       std::uintptr_t params) {
    SentCommand s;
    s.deviceId = deviceId;
    s.command = command;
    s.flags = flags;
    s.callback = reinterpret_cast<MCI_GENERIC_PARMS*>(params)->dwCallback;
    if (command == MCI_OPEN) {
        auto* p = reinterpret_cast<MCI_OPEN_PARMSA*>(params);
        s.deviceType = reinterpret_cast<std::uintptr_t>(p->lpstrDeviceType);
        s.hasElement = p->lpstrElementName != nullptr;
        s.hasAlias = p->lpstrAlias != nullptr;
        if (s.hasElement)
            s.element = p->lpstrElementName;
        if (s.hasAlias)
            s.alias = p->lpstrAlias;
        p->wDeviceID = script.openedId;
    } else if (command == MCI_STATUS) {
        auto* p = reinterpret_cast<MCI_STATUS_PARMS*>(params);
        s.presetReturn = p->dwReturn;
        s.item = p->dwItem;
        s.track = p->dwTrack;
        p->dwReturn = script.statusAnswer;
    } else if (command == MCI_SET) {
        s.timeFormat = reinterpret_cast<MCI_SET_PARMS*>(params)->dwTimeFormat;
    } else if (command == MCI_PLAY) {
        auto* p = reinterpret_cast<MCI_PLAY_PARMS*>(params);
        s.from = p->dwFrom;
        s.to = p->dwTo;
    } else if (command == MCI_INFO) {
        auto* p = reinterpret_cast<MCI_INFO_PARMSA*>(params);
        s.infoBuffer = p->lpstrReturn;
        s.infoSize = p->dwRetSize;
    }
    script.sent.push_back(s);
    return script.result;
}

std::uint32_t scriptedTick() {
    return script.tick;
}

std::unique_ptr<CdAudioDevice> recordingDevice() {
    script = Script{};
    MciBackend backend;
    backend.send = recordingSend;
    backend.tickCount = scriptedTick;
    return createMciCdAudioDevice(&backend);
}

} // namespace

TEST_CASE("open sends the cdaudio type id, the drive, a tick alias and its flags") {
    auto device = recordingDevice();
    script.openedId = 17;
    script.tick = 123456;
    REQUIRE(device->open("E:\\", 1) == 0);
    REQUIRE(script.sent.size() == 1);
    const SentCommand& s = script.sent[0];
    CHECK(s.command == MCI_OPEN);
    CHECK(s.flags == 0x3702u);
    CHECK(s.deviceId == 0);
    CHECK(s.callback == 0);
    CHECK(s.deviceType == 516u);
    CHECK(s.element == "E:");
    CHECK(s.alias == "RUBO123456");
    CHECK(device->deviceId() == 17);

    script.tick = 200000;
    script.openedId = 18;
    REQUIRE(device->open("F:", 0) == 0);
    CHECK(script.sent[1].flags == 0x3602u);
    CHECK(script.sent[1].element == "F:");
    CHECK(script.sent[1].alias == "RUBO200000");
    CHECK(device->deviceId() == 18);
}

TEST_CASE("two opens within one tick get distinct aliases") {
    auto device = recordingDevice();
    script.tick = 5000;
    device->open("E:", 1);
    device->open("E:", 1);
    REQUIRE(script.sent.size() == 2);
    CHECK(script.sent[0].alias != script.sent[1].alias);
}

TEST_CASE("a failed open keeps the device id and its error") {
    auto device = recordingDevice();
    script.openedId = 3;
    REQUIRE(device->open("E:", 1) == 0);
    script.result = kMciErrInvalidDeviceName;
    script.openedId = 9;
    CHECK(device->open("E:", 1) == kMciErrInvalidDeviceName);
    CHECK(device->deviceId() == 3);
    CHECK(device->lastError() == kMciErrInvalidDeviceName);
}

TEST_CASE("openByType sends only the type id") {
    auto device = recordingDevice();
    script.openedId = 4;
    REQUIRE(device->openByType(kMciDevtypeCdAudio, 1) == 0);
    REQUIRE(device->openByType(kMciDevtypeCdAudio, 0) == 0);
    CHECK(script.sent[0].flags == 0x3102u);
    CHECK(script.sent[1].flags == 0x3002u);
    CHECK(script.sent[0].deviceType == 516u);
    CHECK_FALSE(script.sent[0].hasElement);
    CHECK_FALSE(script.sent[0].hasAlias);
    CHECK(device->deviceId() == 4);
}

TEST_CASE("commands go to the opened device with the callback window") {
    auto device = recordingDevice();
    script.openedId = 21;
    device->open("E:", 1);
    device->setCallbackWindow(0x4242);
    device->close();
    device->stop();
    device->pause();
    device->setDoor(1);
    device->setDoor(0);
    REQUIRE(script.sent.size() == 6);
    const std::uint32_t commands[] = {MCI_CLOSE, MCI_STOP, MCI_PAUSE, MCI_SET, MCI_SET};
    const std::uintptr_t flags[] = {0, 0, 0, 0x102, 0x202};
    for (int i = 0; i < 5; ++i) {
        CAPTURE(i);
        CHECK(script.sent[i + 1].deviceId == 21);
        CHECK(script.sent[i + 1].command == commands[i]);
        CHECK(script.sent[i + 1].flags == flags[i]);
        CHECK(script.sent[i + 1].callback == 0x4242);
    }
    CHECK(device->deviceId() == 21);
}

TEST_CASE("status presets the answer to 0 and gives 0 on failure") {
    auto device = recordingDevice();
    script.statusAnswer = kMciModePause;
    CHECK(device->mode() == kMciModePause);
    CHECK(script.sent[0].command == MCI_STATUS);
    CHECK(script.sent[0].flags == MCI_STATUS_ITEM);
    CHECK(script.sent[0].item == kMciStatusMode);
    CHECK(script.sent[0].presetReturn == 0);

    script.result = kMciErrDeviceNotReady;
    script.statusAnswer = 1;
    CHECK_FALSE(device->isReady());
    CHECK(script.sent[1].item == kMciStatusReady);
    CHECK(device->lastError() == kMciErrDeviceNotReady);
}

TEST_CASE("trackStatus goes straight to MCI with the track flag") {
    auto device = recordingDevice();
    script.statusAnswer = 0x00021400;
    CHECK(device->trackStart(3) == 0x00021400u);
    CHECK(script.sent[0].flags == 0x110u);
    CHECK(script.sent[0].track == 3);
    CHECK(script.sent[0].item == kMciStatusPosition);
    CHECK(script.sent[0].presetReturn == 0);
    script.statusAnswer = kMciCdaTrackAudio;
    CHECK(device->trackType(2) == kMciCdaTrackAudio);
    CHECK(script.sent[1].item == 0x4001u);

    // A failure here does not become the device's last error.
    script.result = kMciErrHardware;
    device->trackLength(1);
    CHECK(script.sent[2].item == kMciStatusLength);
    script.result = kMciErrDeviceNotReady;
    device->stop();
    script.result = kMciErrHardware;
    device->trackLength(1);
    CHECK(device->lastError() == kMciErrDeviceNotReady);
}

TEST_CASE("setTimeFormat and playFrom fill their blocks") {
    auto device = recordingDevice();
    device->setCallbackWindow(0x99);
    device->setTimeFormat(kMciFormatMsf);
    device->playFrom(0x00020300, 0);
    device->playFrom(0x00040500, 1);
    REQUIRE(script.sent.size() == 3);
    CHECK(script.sent[0].command == MCI_SET);
    CHECK(script.sent[0].flags == MCI_SET_TIME_FORMAT);
    CHECK(script.sent[0].timeFormat == kMciFormatMsf);
    CHECK(script.sent[1].command == MCI_PLAY);
    CHECK(script.sent[1].flags == MCI_FROM);
    CHECK(script.sent[1].from == 0x00020300u);
    CHECK(script.sent[1].callback == 0);
    CHECK(script.sent[2].flags == (MCI_FROM | MCI_NOTIFY));
    CHECK(script.sent[2].from == 0x00040500u);
    CHECK(script.sent[2].callback == 0x99);
    CHECK((script.sent[2].flags & MCI_TO) == 0);
}

TEST_CASE("a time format in force is not sent again until the device is opened anew") {
    auto device = recordingDevice();
    script.openedId = 7;
    REQUIRE(device->open("E", 1) == 0);
    device->setTimeFormat(kMciFormatTmsf);
    device->setTimeFormat(kMciFormatTmsf);
    device->setTimeFormat(kMciFormatMsf);
    script.result = MCIERR_HARDWARE;
    device->setTimeFormat(kMciFormatTmsf); // fails: MSF stays in force
    script.result = 0;
    device->setTimeFormat(kMciFormatTmsf);
    device->close();
    REQUIRE(device->open("E", 1) == 0);
    device->setTimeFormat(kMciFormatTmsf);
    std::vector<DWORD> formats;
    for (const SentCommand& s : script.sent)
        if (s.command == MCI_SET)
            formats.push_back(s.timeFormat);
    CHECK(formats == std::vector<DWORD>{kMciFormatTmsf, kMciFormatMsf, kMciFormatTmsf,
                                        kMciFormatTmsf, kMciFormatTmsf});
}

TEST_CASE("info passes the caller's flags, buffer and size") {
    auto device = recordingDevice();
    char buffer[64];
    device->info(MCI_INFO_PRODUCT, buffer, sizeof buffer);
    CHECK(script.sent[0].command == MCI_INFO);
    CHECK(script.sent[0].flags == MCI_INFO_PRODUCT);
    CHECK(script.sent[0].infoBuffer == buffer);
    CHECK(script.sent[0].infoSize == sizeof buffer);
}

TEST_CASE("error texts come from winmm") {
    std::string text;
    REQUIRE(mciErrorText(kMciErrInvalidDeviceId, text));
    CHECK_FALSE(text.empty());
    std::string other;
    REQUIRE(mciErrorText(kMciErrDeviceNotReady, other));
    CHECK(other != text);
}

// Wine's Z: is a disk drive, not a CD drive; no box may appear (one would
// stop the test here).
TEST_CASE("opening the cdaudio device without a CD drive fails quietly") {
    auto device = createMciCdAudioDevice();
    REQUIRE(device != nullptr);
    MciError result = device->open("Z:", 1);
    CHECK(result == kMciErrInvalidFile);
    CHECK(device->lastError() == kMciErrInvalidFile);
    CHECK(device->deviceId() == 0);

    std::string text;
    REQUIRE(mciErrorText(result, text));

    // No cdaudio device to open by type either; the code is kept.
    MciError byType = device->openByType(kMciDevtypeCdAudio, 1);
    CHECK(byType != 0);
    CHECK(device->lastError() == byType);
    CHECK(device->deviceId() == 0);
    // Commands to the device never opened fail as well.
    CHECK(device->mode() == 0);
    CHECK(device->lastError() != 0);
}
