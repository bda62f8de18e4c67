// vdrivecd.dll: the MCI cdaudio driver of the virtual drive.
#include <windows.h>

#include <mmsystem.h>

#include <mmddk.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>

#include "shared_drive.h"
#include "sim/mci.h"

// Driver helpers of winmm that mmddk.h does not declare.
extern "C" {
DECLSPEC_IMPORT DWORD_PTR WINAPI mciGetDriverData(MCIDEVICEID id);
DECLSPEC_IMPORT BOOL WINAPI mciSetDriverData(MCIDEVICEID id, DWORD_PTR data);
DECLSPEC_IMPORT BOOL WINAPI mciDriverNotify(HANDLE callback, MCIDEVICEID id, UINT status);
}

namespace {

using namespace rubo::vdrive;
using rubo::vdrive::win32::SharedDrive;

SharedDrive& drive() {
    static SharedDrive shared;
    return shared;
}

constexpr std::int64_t kWatchMinMs = 20;
constexpr std::int64_t kWatchMaxMs = 1000;

// One open MCI device.
struct Instance {
    MCIDEVICEID id = 0;
    std::mutex lock; // the device and the watcher
    MciDevice device;
    HANDLE notifyWindow = nullptr;
    std::thread watcher;
    std::mutex watchLock; // stopWatcher and its wake-up
    std::condition_variable watchWake;
    bool stopWatcher = false;

    ~Instance() { endWatcher(); }

    void endWatcher() {
        {
            std::lock_guard<std::mutex> w(watchLock);
            stopWatcher = true;
        }
        watchWake.notify_all();
        if (watcher.joinable())
            watcher.join();
        stopWatcher = false;
    }

    // Posts the end of a notified play when it comes: the watcher sleeps
    // until the play's end is due, and looks again at least once a second
    // for changes made by other processes (an eject, a new speed).
    void watchPlay(HANDLE window) {
        endWatcher();
        notifyWindow = window;
        watcher = std::thread([this] {
            for (;;) {
                std::uint32_t code = 0;
                std::int64_t waitMs = kWatchMaxMs;
                {
                    SharedDrive::Lock l(drive());
                    if (l.held()) {
                        std::lock_guard<std::mutex> g(lock);
                        const std::int64_t now = win32::nowMs();
                        code = device.pollNotification(l.state(), now);
                        const std::int64_t due = msUntilPlayEnd(l.state(), now);
                        if (due >= 0)
                            waitMs = std::min(std::max(due + 1, kWatchMinMs), kWatchMaxMs);
                    }
                }
                if (code) {
                    mciDriverNotify(notifyWindow, id, code);
                    return;
                }
                std::unique_lock<std::mutex> w(watchLock);
                if (watchWake.wait_for(w, std::chrono::milliseconds(waitMs),
                                       [this] { return stopWatcher; }))
                    return;
            }
        });
    }
};

Instance* instanceOf(DWORD_PTR driverId) {
    return reinterpret_cast<Instance*>(mciGetDriverData(static_cast<MCIDEVICEID>(driverId)));
}

std::string narrow(LPCWSTR text) {
    std::string out;
    if (!text)
        return out;
    for (; *text; ++text)
        out += (*text < 0x80) ? static_cast<char>(*text) : '?';
    return out;
}

HANDLE callbackOf(LPARAM params) {
    if (!params)
        return nullptr;
    auto* generic = reinterpret_cast<MCI_GENERIC_PARMS*>(params);
    return reinterpret_cast<HANDLE>(static_cast<DWORD_PTR>(LOWORD(generic->dwCallback)));
}

// Translates one MCI message into the portable request, runs it, and writes
// the results back into the caller's parameter block.
LRESULT runCommand(Instance& inst, UINT message, DWORD flags, LPARAM params) {
    MciRequest req;
    req.notify = (flags & MCI_NOTIFY) != 0;
    switch (message) {
    case MCI_OPEN_DRIVER: {
        req.command = MciCommand::Open;
        auto* p = reinterpret_cast<MCI_OPEN_PARMSW*>(params);
        if (p && (flags & MCI_OPEN_ELEMENT) && !(flags & MCI_OPEN_ELEMENT_ID))
            req.element = narrow(p->lpstrElementName);
        break;
    }
    case MCI_CLOSE_DRIVER:
        req.command = MciCommand::Close;
        break;
    case MCI_STATUS: {
        auto* p = reinterpret_cast<MCI_STATUS_PARMS*>(params);
        if (!p)
            return MCIERR_NULL_PARAMETER_BLOCK;
        if (!(flags & MCI_STATUS_ITEM))
            return MCIERR_MISSING_PARAMETER;
        req.command = MciCommand::Status;
        req.item = static_cast<std::uint32_t>(p->dwItem);
        req.hasTrack = (flags & MCI_TRACK) != 0;
        req.track = static_cast<std::uint32_t>(p->dwTrack);
        break;
    }
    case MCI_SET: {
        auto* p = reinterpret_cast<MCI_SET_PARMS*>(params);
        req.command = MciCommand::Set;
        req.setTimeFormat = (flags & MCI_SET_TIME_FORMAT) != 0;
        if (req.setTimeFormat) {
            if (!p)
                return MCIERR_NULL_PARAMETER_BLOCK;
            req.timeFormat = static_cast<std::uint32_t>(p->dwTimeFormat);
        }
        req.doorOpen = (flags & MCI_SET_DOOR_OPEN) != 0;
        req.doorClosed = (flags & MCI_SET_DOOR_CLOSED) != 0;
        break;
    }
    case MCI_PLAY: {
        auto* p = reinterpret_cast<MCI_PLAY_PARMS*>(params);
        req.command = MciCommand::Play;
        req.hasFrom = (flags & MCI_FROM) != 0;
        req.hasTo = (flags & MCI_TO) != 0;
        if ((req.hasFrom || req.hasTo) && !p)
            return MCIERR_NULL_PARAMETER_BLOCK;
        if (req.hasFrom)
            req.from = static_cast<std::uint32_t>(p->dwFrom);
        if (req.hasTo)
            req.to = static_cast<std::uint32_t>(p->dwTo);
        break;
    }
    case MCI_STOP:
        req.command = MciCommand::Stop;
        break;
    case MCI_PAUSE:
        req.command = MciCommand::Pause;
        break;
    case MCI_RESUME:
        req.command = MciCommand::Resume;
        break;
    case MCI_INFO: {
        auto* p = reinterpret_cast<MCI_INFO_PARMSW*>(params);
        if (!p || !p->lpstrReturn || p->dwRetSize == 0)
            return MCIERR_NULL_PARAMETER_BLOCK;
        req.command = MciCommand::Info;
        req.item = flags & ~static_cast<DWORD>(MCI_NOTIFY | MCI_WAIT);
        break;
    }
    default:
        return MCIERR_UNRECOGNIZED_COMMAND;
    }

    MciResult result;
    std::int32_t delayMs = 0;
    {
        SharedDrive& d = drive();
        SharedDrive::Lock l(d);
        if (!l.held())
            return MCIERR_HARDWARE;
        std::lock_guard<std::mutex> g(inst.lock);
        std::int64_t now = win32::nowMs();
        delayMs = inst.device.delayMs(req, l.state(), l.disc(), now);
        result = inst.device.execute(req, l.state(), l.disc(), now);
    }
    // The drive's read latency, with the shared state and the device free meanwhile.
    if (delayMs > 0)
        Sleep(static_cast<DWORD>(delayMs));
    if (result.error)
        return result.error;

    if (message == MCI_STATUS) {
        auto* p = reinterpret_cast<MCI_STATUS_PARMS*>(params);
        if (result.resourceReturned) {
            p->dwReturn = MAKEMCIRESOURCE(result.value, result.value);
        } else {
            p->dwReturn = result.value;
        }
    } else if (message == MCI_INFO) {
        auto* p = reinterpret_cast<MCI_INFO_PARMSW*>(params);
        std::size_t n = result.text.size();
        if (n + 1 > p->dwRetSize)
            return MCIERR_PARAM_OVERFLOW;
        for (std::size_t i = 0; i < n; ++i)
            p->lpstrReturn[i] = static_cast<unsigned char>(result.text[i]);
        p->lpstrReturn[n] = 0;
    }

    if (req.notify) {
        HANDLE window = callbackOf(params);
        if (message == MCI_PLAY) {
            // Without a window there is nobody to tell, and nothing to watch.
            if (window)
                inst.watchPlay(window);
        } else if (result.notification) {
            mciDriverNotify(window, inst.id, result.notification);
        } else {
            mciDriverNotify(window, inst.id, MCI_NOTIFY_SUCCESSFUL);
        }
    }
    return result.resourceReturned ? MCI_RESOURCE_RETURNED : 0;
}

} // namespace

extern "C" LRESULT CALLBACK DriverProc(DWORD_PTR driverId, HDRVR driver, UINT message,
                                       LPARAM param1, LPARAM param2) {
    switch (message) {
    case DRV_LOAD:
    case DRV_FREE:
    case DRV_ENABLE:
    case DRV_DISABLE:
        return 1;
    case DRV_OPEN: {
        auto* p = reinterpret_cast<MCI_OPEN_DRIVER_PARMS*>(param2);
        if (!p)
            return 1; // opened as a plain driver (configuration)
        if (!drive().ok())
            return 0;
        auto* inst = new Instance;
        inst->id = p->wDeviceID;
        mciSetDriverData(p->wDeviceID, reinterpret_cast<DWORD_PTR>(inst));
        p->wCustomCommandTable = MCI_NO_COMMAND_TABLE;
        p->wType = MCI_DEVTYPE_CD_AUDIO;
        return p->wDeviceID;
    }
    case DRV_CLOSE: {
        Instance* inst = instanceOf(driverId);
        if (inst) {
            mciSetDriverData(static_cast<MCIDEVICEID>(driverId), 0);
            delete inst;
        }
        return 1;
    }
    case DRV_QUERYCONFIGURE:
        return 0;
    case DRV_CONFIGURE:
        return DRVCNF_OK;
    default:
        break;
    }
    if (message >= DRV_MCI_FIRST && message <= DRV_MCI_LAST) {
        Instance* inst = instanceOf(driverId);
        if (!inst)
            return MCIERR_INVALID_DEVICE_ID;
        return runCommand(*inst, message, static_cast<DWORD>(param1), param2);
    }
    return DefDriverProc(driverId, driver, message, param1, param2);
}
