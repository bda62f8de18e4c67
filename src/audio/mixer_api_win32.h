#pragma once

// The wave-output and mixer functions the volume control uses, as a table a
// test can replace with a fake mixer.

#include <windows.h>

#include <mmsystem.h> // after <windows.h>

namespace rubo {

struct MixerApi {
    UINT (*getNumDevs)();
    // wave, device id, format, callback, instance, flags
    MMRESULT (*waveOutOpen)(HWAVEOUT*, UINT, const WAVEFORMATEX*, DWORD_PTR, DWORD_PTR, DWORD);
    MMRESULT (*waveOutClose)(HWAVEOUT wave);
    MMRESULT (*getId)(HMIXEROBJ object, UINT* mixerId, DWORD flags);
    // mixer, mixer id, callback, instance, flags
    MMRESULT (*open)(HMIXER*, UINT, DWORD_PTR, DWORD_PTR, DWORD);
    MMRESULT (*close)(HMIXER mixer);
    MMRESULT (*getDevCaps)(UINT_PTR mixerId, MIXERCAPSA* caps, UINT size);
    MMRESULT (*getLineInfo)(HMIXEROBJ object, MIXERLINEA* line, DWORD flags);
    MMRESULT (*getLineControls)(HMIXEROBJ object, MIXERLINECONTROLSA* controls, DWORD flags);
    MMRESULT (*getControlDetails)(HMIXEROBJ object, MIXERCONTROLDETAILS* details, DWORD flags);
    MMRESULT (*setControlDetails)(HMIXEROBJ object, MIXERCONTROLDETAILS* details, DWORD flags);
};

// The winmm functions.
const MixerApi& systemMixerApi();

// The table in use: the system's unless a test installed another.
const MixerApi& mixerApi();

// Installs `api` (kept by pointer) for every later mixer call; null
// restores the system's.
void setMixerApi(const MixerApi* api);

} // namespace rubo
