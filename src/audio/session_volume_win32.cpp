#include "audio/session_volume_win32.h"

#include "base/com_win32.h"
#include "base/unique_handle_win32.h"

#include <mmdeviceapi.h> // after <windows.h>

namespace rubo {

namespace {

// CLSID_MMDeviceEnumerator, kept here so that no import library has to
// carry it.
constexpr CLSID kDeviceEnumerator = {
    0xbcde0395, 0xe52f, 0x467c, {0x8e, 0x3d, 0xc4, 0x57, 0x92, 0x91, 0x69, 0x2e}};

class CoreAudioSession final : public SessionVolume {
public:
    ~CoreAudioSession() override {
        if (control_ && sink_)
            control_->UnregisterAudioSessionNotification(sink_.get());
        if (sink_)
            sink_->detach();
    }

    bool open(HWND window, UINT message) {
        if (!apartment_.usable() ||
            FAILED(CoCreateInstance(kDeviceEnumerator, nullptr, CLSCTX_INPROC_SERVER,
                                    __uuidof(IMMDeviceEnumerator), enumerator_.putVoid())) ||
            FAILED(enumerator_->GetDefaultAudioEndpoint(eRender, eConsole, device_.put())) ||
            FAILED(device_->Activate(__uuidof(IAudioSessionManager), CLSCTX_INPROC_SERVER, nullptr,
                                     manager_.putVoid())) ||
            FAILED(manager_->GetSimpleAudioVolume(nullptr, FALSE, volume_.put())))
            return false;
        // Without events the owner's polling still sees outside changes.
        if (SUCCEEDED(manager_->GetAudioSessionControl(nullptr, 0, control_.put()))) {
            sink_.reset(new SessionEventSink(window, message));
            if (FAILED(control_->RegisterAudioSessionNotification(sink_.get()))) {
                sink_->detach();
                sink_.reset();
            }
        }
        return true;
    }

    bool level(float& value) const override { return SUCCEEDED(volume_->GetMasterVolume(&value)); }
    bool setLevel(float value) override {
        return SUCCEEDED(volume_->SetMasterVolume(value, nullptr));
    }
    bool setMute(bool mute) override {
        return SUCCEEDED(volume_->SetMute(mute ? TRUE : FALSE, nullptr));
    }

private:
    ComApartment apartment_;
    ComPtr<IMMDeviceEnumerator> enumerator_;
    ComPtr<IMMDevice> device_;
    ComPtr<IAudioSessionManager> manager_;
    ComPtr<ISimpleAudioVolume> volume_;
    ComPtr<IAudioSessionControl> control_;
    ComPtr<SessionEventSink> sink_;
};

SessionOpener installed = nullptr;

} // namespace

std::unique_ptr<SessionVolume> openProcessSession(HWND window, UINT message) {
    auto session = std::make_unique<CoreAudioSession>();
    if (!session->open(window, message))
        return nullptr;
    return session;
}

SessionOpener sessionOpener() {
    return installed ? installed : openProcessSession;
}

void setSessionOpener(SessionOpener opener) {
    installed = opener;
}

SessionEventSink::SessionEventSink(HWND window, UINT message)
    : window_(window), message_(message) {}

void SessionEventSink::detach() {
    window_.store(nullptr);
}

HRESULT STDMETHODCALLTYPE SessionEventSink::QueryInterface(REFIID iid, void** object) {
    if (!object)
        return E_POINTER;
    if (IsEqualIID(iid, __uuidof(IUnknown)) || IsEqualIID(iid, __uuidof(IAudioSessionEvents))) {
        *object = static_cast<IAudioSessionEvents*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE SessionEventSink::AddRef() {
    return ++references_;
}

ULONG STDMETHODCALLTYPE SessionEventSink::Release() {
    const ULONG left = --references_;
    if (left == 0)
        delete this;
    return left;
}

HRESULT STDMETHODCALLTYPE SessionEventSink::OnSimpleVolumeChanged(float, BOOL, LPCGUID) {
    // The window's thread reads the volume itself.
    if (HWND window = window_.load())
        PostMessageA(window, message_, 0, 0);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE SessionEventSink::OnDisplayNameChanged(LPCWSTR, LPCGUID) {
    return S_OK;
}

HRESULT STDMETHODCALLTYPE SessionEventSink::OnIconPathChanged(LPCWSTR, LPCGUID) {
    return S_OK;
}

HRESULT STDMETHODCALLTYPE SessionEventSink::OnChannelVolumeChanged(DWORD, float*, DWORD, LPCGUID) {
    return S_OK;
}

HRESULT STDMETHODCALLTYPE SessionEventSink::OnGroupingParamChanged(LPCGUID, LPCGUID) {
    return S_OK;
}

HRESULT STDMETHODCALLTYPE SessionEventSink::OnStateChanged(AudioSessionState) {
    return S_OK;
}

HRESULT STDMETHODCALLTYPE SessionEventSink::OnSessionDisconnected(AudioSessionDisconnectReason) {
    return S_OK;
}

} // namespace rubo
