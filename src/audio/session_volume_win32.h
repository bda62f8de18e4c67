#pragma once

// The volume of the program's own audio session (Windows Vista and later):
// the stream through which the CD-audio device plays the disc there. Core
// Audio is reached through COM only, so the program still starts where it
// is missing (Windows XP): opening the session just fails.

#include <windows.h>

#include <audiopolicy.h> // after <windows.h>

#include <atomic>
#include <memory>

namespace rubo {

// One audio session's master volume, 0.0 .. 1.0, and its mute.
class SessionVolume {
public:
    virtual ~SessionVolume() = default;
    virtual bool level(float& value) const = 0;
    virtual bool setLevel(float value) = 0;
    virtual bool setMute(bool mute) = 0;
};

// Opens the process's default session on the default output endpoint.
// Changes of its volume made elsewhere post `message` to `window`; they
// arrive on an audio thread, which touches nothing else. Null when there is
// no Core Audio or no output device.
std::unique_ptr<SessionVolume> openProcessSession(HWND window, UINT message);

using SessionOpener = std::unique_ptr<SessionVolume> (*)(HWND window, UINT message);

// The opener in use: openProcessSession unless a test installed another.
SessionOpener sessionOpener();
// Installs `opener` for every later control; null restores the system's.
void setSessionOpener(SessionOpener opener);

// Receives the session's events on the audio thread and posts `message` to
// `window` for a volume or mute change. Reference-counted: the audio system
// may hold it a little longer than its owner, so the owner detaches it
// before the window goes.
class SessionEventSink final : public IAudioSessionEvents {
public:
    // Starts with one reference, the caller's.
    SessionEventSink(HWND window, UINT message);
    SessionEventSink(const SessionEventSink&) = delete;
    SessionEventSink& operator=(const SessionEventSink&) = delete;

    // No more messages from now on.
    void detach();

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE OnDisplayNameChanged(LPCWSTR, LPCGUID) override;
    HRESULT STDMETHODCALLTYPE OnIconPathChanged(LPCWSTR, LPCGUID) override;
    HRESULT STDMETHODCALLTYPE OnSimpleVolumeChanged(float level, BOOL mute, LPCGUID) override;
    HRESULT STDMETHODCALLTYPE OnChannelVolumeChanged(DWORD, float*, DWORD, LPCGUID) override;
    HRESULT STDMETHODCALLTYPE OnGroupingParamChanged(LPCGUID, LPCGUID) override;
    HRESULT STDMETHODCALLTYPE OnStateChanged(AudioSessionState) override;
    HRESULT STDMETHODCALLTYPE OnSessionDisconnected(AudioSessionDisconnectReason) override;

private:
    ~SessionEventSink() = default;

    std::atomic<ULONG> references_{1};
    std::atomic<HWND> window_;
    const UINT message_;
};

} // namespace rubo
