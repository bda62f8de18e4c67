#include "audio/volume_control_win32.h"

#include "audio/mixer_api_win32.h"
#include "base/callback_guard.h"
#include "base/unique_handle_win32.h"
#include "settings/options.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace rubo {

namespace {

constexpr char kClassName[] = "Wave Output Volume Msg Wnd Class";
constexpr char kWindowTitle[] = "Wave Output Volume Msg Wnd";

using Value = MIXERCONTROLDETAILS_UNSIGNED;
static_assert(sizeof(Value) == 4 && sizeof(MIXERCONTROLDETAILS_BOOLEAN) == 4);
static_assert(kVolumeTypeCd == MIXERLINE_COMPONENTTYPE_SRC_COMPACTDISC);

// The live controls that take notifications, oldest first; the newest is the
// target. When it ends, the one before it is the target again (the Options
// page's test slider closing hands them back to the main window's).
std::vector<CVolumeControl*>& targets() {
    static std::vector<CVolumeControl*> list;
    return list;
}

void dropTarget(CVolumeControl* control) {
    std::vector<CVolumeControl*>& list = targets();
    list.erase(std::remove(list.begin(), list.end(), control), list.end());
}

void becomeTarget(CVolumeControl* control) {
    dropTarget(control);
    targets().push_back(control);
}

long sessionValueOf(float level) {
    const float clamped = std::min(std::max(level, 0.0f), 1.0f);
    return std::lround(clamped * static_cast<float>(CVolumeControl::kSessionMaximum));
}

HMIXEROBJ asObject(HMIXER mixer) {
    return reinterpret_cast<HMIXEROBJ>(mixer);
}

void closeWaveOut(HWAVEOUT wave) {
    mixerApi().waveOutClose(wave);
}
using UniqueWaveOut = UniqueResource<HWAVEOUT, &closeWaveOut>;

WAVEFORMATEX probeFormat() {
    WAVEFORMATEX format{};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = 1;
    format.nSamplesPerSec = 22050;
    format.nAvgBytesPerSec = 44100;
    format.nBlockAlign = 2;
    format.wBitsPerSample = 16;
    return format;
}

// The id of the mixer that serves the default wave output.
bool waveMapperMixer(UINT& mixerId) {
    const WAVEFORMATEX format = probeFormat();
    HWAVEOUT handle = nullptr;
    if (mixerApi().waveOutOpen(&handle, WAVE_MAPPER, &format, 0, 0, CALLBACK_NULL) !=
        MMSYSERR_NOERROR)
        return false;
    const UniqueWaveOut wave(handle);
    return mixerApi().getId(reinterpret_cast<HMIXEROBJ>(wave.get()), &mixerId,
                            MIXER_OBJECTF_HWAVEOUT) == MMSYSERR_NOERROR;
}

HWND createMessageWindow(WNDPROC procedure) {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = kClassName;
    RegisterClassExA(&windowClass); // fails harmlessly when already registered
    HWND window = CreateWindowExA(0, kClassName, kWindowTitle, WS_POPUP | WS_DISABLED, 0, 0, 0, 0,
                                  nullptr, nullptr, instance, nullptr);
    if (window)
        ShowWindow(window, SW_HIDE);
    return window;
}

MIXERCONTROLDETAILS detailsOf(DWORD controlId, DWORD channels, DWORD items,
                              std::vector<Value>& values) {
    MIXERCONTROLDETAILS details{};
    details.cbStruct = sizeof(details);
    details.dwControlID = controlId;
    details.cChannels = channels;
    details.cMultipleItems = items;
    details.cbDetails = sizeof(Value);
    details.paDetails = values.data();
    return details;
}

// All controls of a line, and its channel count.
bool lineControls(HMIXER mixer, DWORD lineId, DWORD& channels,
                  std::vector<MIXERCONTROLA>& controls) {
    MIXERLINEA line{};
    line.cbStruct = sizeof(line);
    line.dwLineID = lineId;
    if (mixerApi().getLineInfo(asObject(mixer), &line,
                               MIXER_GETLINEINFOF_LINEID | MIXER_OBJECTF_HMIXER) !=
            MMSYSERR_NOERROR ||
        line.cControls == 0)
        return false;
    channels = line.cChannels;
    MIXERCONTROLA blank{};
    blank.cbStruct = sizeof(blank);
    controls.assign(line.cControls, blank);
    MIXERLINECONTROLSA query{};
    query.cbStruct = sizeof(query);
    query.dwLineID = lineId;
    query.cControls = line.cControls;
    query.cbmxctrl = sizeof(MIXERCONTROLA);
    query.pamxctrl = controls.data();
    return mixerApi().getLineControls(asObject(mixer), &query,
                                      MIXER_GETLINECONTROLSF_ALL | MIXER_OBJECTF_HMIXER) ==
           MMSYSERR_NOERROR;
}

// The value a control gets when the line is switched to `on`; false for
// controls that are left alone.
bool lineStateValue(DWORD controlType, DWORD on, DWORD& value) {
    switch (controlType) {
    case MIXERCONTROL_CONTROLTYPE_MUTE:
        value = on ? 0 : 1;
        return true;
    case MIXERCONTROL_CONTROLTYPE_SINGLESELECT:
    case MIXERCONTROL_CONTROLTYPE_MUX:
    case MIXERCONTROL_CONTROLTYPE_MULTIPLESELECT:
    case MIXERCONTROL_CONTROLTYPE_MIXER:
        value = on;
        return true;
    default:
        return false;
    }
}

// Sets every entry of the control (per channel, one per item) to `value`.
void writeControl(HMIXER mixer, const MIXERCONTROLA& control, DWORD lineChannels, DWORD value) {
    const DWORD channels = (control.fdwControl & MIXERCONTROL_CONTROLF_UNIFORM) ? 1 : lineChannels;
    const DWORD items =
        (control.fdwControl & MIXERCONTROL_CONTROLF_MULTIPLE) ? control.cMultipleItems : 0;
    std::vector<Value> entries(std::max<DWORD>(channels, 1) * std::max<DWORD>(items, 1),
                               Value{value});
    MIXERCONTROLDETAILS details = detailsOf(control.dwControlID, channels, items, entries);
    mixerApi().setControlDetails(asObject(mixer), &details,
                                 MIXER_SETCONTROLDETAILSF_VALUE | MIXER_OBJECTF_HMIXER);
}

void storeAt(DWORD position, const MIXERLINEA& source, std::vector<std::string>& names,
             std::vector<unsigned long>& types) {
    if (names.size() <= position) {
        names.resize(position + 1);
        types.resize(position + 1);
    }
    names[position].assign(source.szName, strnlen(source.szName, sizeof(source.szName)));
    types[position] = source.dwComponentType;
}

// The sources of destination `index` when it is the speakers, stored by
// their connection number.
void listSpeakerSources(HMIXER mixer, DWORD index, std::vector<std::string>& names,
                        std::vector<unsigned long>& types) {
    MIXERLINEA destination{};
    destination.cbStruct = sizeof(destination);
    destination.dwDestination = index;
    if (mixerApi().getLineInfo(asObject(mixer), &destination,
                               MIXER_GETLINEINFOF_DESTINATION | MIXER_OBJECTF_HMIXER) !=
            MMSYSERR_NOERROR ||
        destination.dwComponentType != MIXERLINE_COMPONENTTYPE_DST_SPEAKERS)
        return;
    for (DWORD i = 0; i < destination.cConnections; ++i) {
        MIXERLINEA source{};
        source.cbStruct = sizeof(source);
        source.dwDestination = index;
        source.dwSource = i;
        if (mixerApi().getLineInfo(asObject(mixer), &source,
                                   MIXER_GETLINEINFOF_SOURCE | MIXER_OBJECTF_HMIXER) ==
            MMSYSERR_NOERROR)
            storeAt(i, source, names, types);
    }
}

} // namespace

CVolumeControl::CVolumeControl(unsigned long componentType) {
    if (open()) {
        becomeTarget(this);
        findLine(componentType);
        if (lineFound_)
            return;
        close();
        dropTarget(this);
    }
    openSession();
}

CVolumeControl::~CVolumeControl() {
    close();
    dropTarget(this);
}

CVolumeControl* CVolumeControl::notificationTarget() {
    return targets().empty() ? nullptr : targets().back();
}

bool CVolumeControl::open() {
    if (mixerApi().getNumDevs() == 0 || !waveMapperMixer(mixerId_))
        return false;
    messageWindow_ = createMessageWindow(notifyProc);
    if (!messageWindow_)
        return false;
    HMIXER mixer = nullptr;
    if (mixerApi().open(&mixer, mixerId_, reinterpret_cast<DWORD_PTR>(messageWindow_), 0,
                        CALLBACK_WINDOW) != MMSYSERR_NOERROR) {
        DestroyWindow(messageWindow_);
        messageWindow_ = nullptr;
        return false;
    }
    mixer_ = mixer;
    opened_ = true;
    return true;
}

void CVolumeControl::findLine(unsigned long componentType) {
    MIXERLINEA line{};
    line.cbStruct = sizeof(line);
    line.dwComponentType = componentType;
    if (mixerApi().getLineInfo(asObject(mixer_), &line,
                               MIXER_GETLINEINFOF_COMPONENTTYPE | MIXER_OBJECTF_HMIXER) !=
        MMSYSERR_NOERROR)
        return;
    MIXERCONTROLA control{};
    control.cbStruct = sizeof(control);
    MIXERLINECONTROLSA query{};
    query.cbStruct = sizeof(query);
    query.dwLineID = line.dwLineID;
    query.dwControlType = MIXERCONTROL_CONTROLTYPE_VOLUME;
    query.cControls = 1;
    query.cbmxctrl = sizeof(control);
    query.pamxctrl = &control;
    hasVolume_ = mixerApi().getLineControls(asObject(mixer_), &query,
                                            MIXER_GETLINECONTROLSF_ONEBYTYPE |
                                                MIXER_OBJECTF_HMIXER) == MMSYSERR_NOERROR &&
                 !(control.fdwControl & MIXERCONTROL_CONTROLF_DISABLED);
    lineId_ = line.dwLineID;
    controlId_ = control.dwControlID;
    channels_ = line.cChannels;
    minimum_ = control.Bounds.dwMinimum;
    maximum_ = control.Bounds.dwMaximum;
    steps_ = control.Metrics.cSteps;
    lineFound_ = true;
}

void CVolumeControl::openSession() {
    messageWindow_ = createMessageWindow(notifyProc);
    if (!messageWindow_)
        return;
    session_ = sessionOpener()(messageWindow_, kSessionChanged);
    float level = 0;
    if (!session_ || !session_->level(level)) {
        close();
        return;
    }
    sessionValue_ = sessionValueOf(level);
    hasVolume_ = true;
    minimum_ = 0;
    maximum_ = kSessionMaximum;
    steps_ = kSessionMaximum;
    becomeTarget(this);
}

void CVolumeControl::close() {
    session_.reset(); // before its window: the session posts there
    hasVolume_ = false;
    if (mixer_)
        mixerApi().close(mixer_);
    mixer_ = nullptr;
    if (messageWindow_)
        DestroyWindow(messageWindow_);
    messageWindow_ = nullptr;
    opened_ = false;
}

bool CVolumeControl::hasVolume() const {
    return hasVolume_;
}

void CVolumeControl::enableLine() {
    setLineState(1);
}

void CVolumeControl::disableLine() {
    setLineState(0);
}

std::optional<VolumeRange> CVolumeControl::range() const {
    if (!hasVolume_)
        return std::nullopt;
    return VolumeRange{static_cast<long>(minimum_), static_cast<long>(maximum_),
                       static_cast<long>(steps_)};
}

std::optional<long> CVolumeControl::getVolume() const {
    if (!hasVolume_)
        return std::nullopt;
    if (session_) {
        float level = 0;
        if (!session_->level(level))
            return std::nullopt;
        return sessionValueOf(level);
    }
    std::vector<Value> values(std::max<DWORD>(channels_, 1));
    MIXERCONTROLDETAILS details = detailsOf(controlId_, channels_, 0, values);
    if (mixerApi().getControlDetails(asObject(mixer_), &details,
                                     MIXER_GETCONTROLDETAILSF_VALUE | MIXER_OBJECTF_HMIXER) !=
        MMSYSERR_NOERROR)
        return std::nullopt;
    return static_cast<long>(values[0].dwValue);
}

void CVolumeControl::setVolume(unsigned long value) {
    if (!hasVolume_ || value < minimum_ || value > maximum_)
        return;
    if (session_) {
        if (session_->setLevel(static_cast<float>(value) / static_cast<float>(kSessionMaximum)))
            sessionValue_ = static_cast<long>(value);
        return;
    }
    std::vector<Value> values(std::max<DWORD>(channels_, 1), Value{static_cast<DWORD>(value)});
    MIXERCONTROLDETAILS details = detailsOf(controlId_, channels_, 0, values);
    mixerApi().setControlDetails(asObject(mixer_), &details,
                                 MIXER_SETCONTROLDETAILSF_VALUE | MIXER_OBJECTF_HMIXER);
}

void CVolumeControl::setChangeCallback(ChangeCallback callback, std::uintptr_t userData) {
    callback_ = callback;
    userData_ = userData;
}

void CVolumeControl::listSourceLines(std::vector<std::string>& names,
                                     std::vector<unsigned long>& types) const {
    names.clear();
    types.clear();
    MIXERCAPSA caps{};
    if (!mixer_ || mixerApi().getDevCaps(mixerId_, &caps, sizeof(caps)) != MMSYSERR_NOERROR)
        return;
    for (DWORD d = 0; d < caps.cDestinations; ++d)
        listSpeakerSources(mixer_, d, names, types);
}

void CVolumeControl::setLineState(DWORD value) {
    if (session_) {
        session_->setMute(value == 0);
        return;
    }
    DWORD channels = 0;
    std::vector<MIXERCONTROLA> controls;
    if (!lineFound_ || !lineControls(mixer_, lineId_, channels, controls))
        return;
    DWORD state = 0;
    for (const MIXERCONTROLA& control : controls)
        if (lineStateValue(control.dwControlType, value, state))
            writeControl(mixer_, control, channels, state);
}

void CVolumeControl::onControlChange(DWORD controlId) {
    if (session_ || controlId != controlId_)
        return;
    const std::optional<long> volume = getVolume();
    if (volume && callback_)
        callback_(*volume, userData_);
}

void CVolumeControl::pollSession() {
    if (session_ && notificationTarget() == this)
        onSessionChange();
}

void CVolumeControl::onSessionChange() {
    const std::optional<long> volume = getVolume();
    if (!volume || volume == sessionValue_)
        return;
    sessionValue_ = volume;
    if (callback_)
        callback_(*volume, userData_);
}

LRESULT CALLBACK CVolumeControl::notifyProc(HWND window, UINT message, WPARAM wParam,
                                            LPARAM lParam) {
    CVolumeControl* target = notificationTarget();
    if (message == MM_MIXM_CONTROL_CHANGE && target)
        callbackGuard([&] { target->onControlChange(static_cast<DWORD>(lParam)); });
    if (message == kSessionChanged && target && target->session_ &&
        target->messageWindow_ == window)
        callbackGuard([&] { target->onSessionChange(); });
    return DefWindowProcA(window, message, wParam, lParam);
}

} // namespace rubo
