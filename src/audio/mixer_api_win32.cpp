#include "audio/mixer_api_win32.h"

namespace rubo {

namespace {

UINT sysGetNumDevs() {
    return mixerGetNumDevs();
}

MMRESULT sysWaveOutOpen(HWAVEOUT* wave, UINT deviceId, const WAVEFORMATEX* format,
                        DWORD_PTR callback, DWORD_PTR instance, DWORD flags) {
    return ::waveOutOpen(wave, deviceId, format, callback, instance, flags);
}

MMRESULT sysWaveOutClose(HWAVEOUT wave) {
    return ::waveOutClose(wave);
}

MMRESULT sysGetId(HMIXEROBJ object, UINT* mixerId, DWORD flags) {
    return mixerGetID(object, mixerId, flags);
}

MMRESULT sysOpen(HMIXER* mixer, UINT mixerId, DWORD_PTR callback, DWORD_PTR instance, DWORD flags) {
    return mixerOpen(mixer, mixerId, callback, instance, flags);
}

MMRESULT sysClose(HMIXER mixer) {
    return mixerClose(mixer);
}

MMRESULT sysGetDevCaps(UINT_PTR mixerId, MIXERCAPSA* caps, UINT size) {
    return mixerGetDevCapsA(mixerId, caps, size);
}

MMRESULT sysGetLineInfo(HMIXEROBJ object, MIXERLINEA* line, DWORD flags) {
    return mixerGetLineInfoA(object, line, flags);
}

MMRESULT sysGetLineControls(HMIXEROBJ object, MIXERLINECONTROLSA* controls, DWORD flags) {
    return mixerGetLineControlsA(object, controls, flags);
}

MMRESULT sysGetControlDetails(HMIXEROBJ object, MIXERCONTROLDETAILS* details, DWORD flags) {
    return mixerGetControlDetailsA(object, details, flags);
}

MMRESULT sysSetControlDetails(HMIXEROBJ object, MIXERCONTROLDETAILS* details, DWORD flags) {
    return mixerSetControlDetails(object, details, flags);
}

const MixerApi kSystemApi = {sysGetNumDevs,
                             sysWaveOutOpen,
                             sysWaveOutClose,
                             sysGetId,
                             sysOpen,
                             sysClose,
                             sysGetDevCaps,
                             sysGetLineInfo,
                             sysGetLineControls,
                             sysGetControlDetails,
                             sysSetControlDetails};

const MixerApi* installed = nullptr;

} // namespace

const MixerApi& systemMixerApi() {
    return kSystemApi;
}

const MixerApi& mixerApi() {
    return installed ? *installed : kSystemApi;
}

void setMixerApi(const MixerApi* api) {
    installed = api;
}

} // namespace rubo
