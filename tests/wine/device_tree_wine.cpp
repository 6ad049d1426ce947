// The walk that restarts a receiver's USB serial device (the one entering the monitor runs),
// against the configuration manager and setup API of the Wine it runs under:
//   1. the walk over the machine's tree for a name that matches nothing ends in time, changes
//      nothing and says how many nodes it visited;
//   2. a device "Corvane GNSS (COM5)" registered in the prefix, and what the setup API tells of it;
//   3. the walk from that device's node, over the real child and sibling calls, ends at its bound
//      at the latest;
//   4. the matching case: the device's class installer asked to disable it, then to enable it,
//      and what each step answered.
// Prints what it found; exit 0 when every check passes.
#include <windows.h>
// windows.h must come first.
#include <cfgmgr32.h>
#include <setupapi.h>

#include <cstdio>
#include <optional>
#include <string>

#include "platform/device_tree.h"
#include "platform/device_tree_walk.h"
#include "platform/win32/config_manager_nodes.h"

namespace {

// A walk that takes longer than this hangs somewhere (the bound's nodes take well under a second
// natively, a few seconds under an emulator).
constexpr ULONGLONG kHangMs = 60000;
const std::string kNobody = "Corvane GNSS (COM99)";
const std::string kReceiver = platform::UsbDeviceName(5);
constexpr char kInstanceId[] = "USB\\VID_0000&PID_0000\\DEVVORINTEST";
// The setup class of COM and LPT ports.
constexpr GUID kPortsClass = {
    0x4d36e978, 0xe325, 0x11ce, {0xbf, 0xc1, 0x08, 0x00, 0x2b, 0xe1, 0x03, 0x18}};

int g_failures = 0;

void Check(bool ok, const std::string& what) {
    std::printf("%s %s\n", ok ? "ok    " : "FAILED", what.c_str());
    g_failures += ok ? 0 : 1;
}

std::string Walked(const platform::DeviceWalk& walk, ULONGLONG ms) {
    return "visited " + std::to_string(walk.visited) + " nodes, matched " +
           std::to_string(walk.matched) + ", changed " + std::to_string(walk.changed) +
           (walk.cut ? ", cut at the bound" : ", reached the end") + ", " + std::to_string(ms) +
           " ms";
}

// Runs one walk and checks that it ended in time and changed nothing.
platform::DeviceWalk TimedWalk(const std::string& what, platform::DeviceNodes* nodes,
                               const std::string& name, bool enabled) {
    const ULONGLONG start = GetTickCount64();
    const platform::DeviceWalk walk =
        nodes != nullptr ? platform::WalkDeviceTree(*nodes, name, enabled)
                         : platform::SystemDeviceTree().SetDevicesEnabled(name, enabled);
    const ULONGLONG ms = GetTickCount64() - start;
    std::printf("%s: %s\n", what.c_str(), Walked(walk, ms).c_str());
    Check(ms < kHangMs, what + ": ends in time");
    Check(walk.visited <= platform::kMaxDeviceNodes, what + ": within the bound");
    return walk;
}

// Registers the test device in the prefix's registry with its friendly name; true when it is
// there afterwards.
bool RegisterReceiver() {
    HDEVINFO set = SetupDiCreateDeviceInfoList(&kPortsClass, nullptr);
    if (set == INVALID_HANDLE_VALUE) {
        std::printf("SetupDiCreateDeviceInfoList failed (%lu)\n", GetLastError());
        return false;
    }
    SP_DEVINFO_DATA device = {};
    device.cbSize = sizeof device;
    bool registered =
        SetupDiCreateDeviceInfoA(set, kInstanceId, &kPortsClass, "Corvane GNSS", nullptr, 0,
                                 &device) &&
        SetupDiSetDeviceRegistryPropertyA(set, &device, SPDRP_FRIENDLYNAME,
                                          reinterpret_cast<const BYTE*>(kReceiver.c_str()),
                                          static_cast<DWORD>(kReceiver.size() + 1)) &&
        SetupDiRegisterDeviceInfo(set, &device, 0, nullptr, nullptr, nullptr);
    if (!registered) {
        std::printf("registering %s failed (%lu)\n", kInstanceId, GetLastError());
    }
    SetupDiDestroyDeviceInfoList(set);
    return registered;
}

// The setup API's list of every device class; the caller destroys it. While it lives, its
// device nodes stay known to the configuration manager.
HDEVINFO AllDevices() {
    return SetupDiGetClassDevsA(nullptr, nullptr, nullptr, DIGCF_ALLCLASSES);
}

// The node of the registered device in a live list, with the friendly name the setup API reads.
std::optional<DEVINST> FindReceiver(HDEVINFO all) {
    SP_DEVINFO_DATA device = {};
    device.cbSize = sizeof device;
    int count = 0;
    std::optional<DEVINST> found;
    for (DWORD i = 0; SetupDiEnumDeviceInfo(all, i, &device); ++i) {
        ++count;
        char id[MAX_DEVICE_ID_LEN + 1] = {};
        SetupDiGetDeviceInstanceIdA(all, &device, id, sizeof id, nullptr);
        if (std::string(id) != kInstanceId) {
            continue;
        }
        char name[256] = {};
        SetupDiGetDeviceRegistryPropertyA(all, &device, SPDRP_FRIENDLYNAME, nullptr,
                                          reinterpret_cast<BYTE*>(name), sizeof name, nullptr);
        std::printf("the setup API lists the registered device as node %lu, \"%s\"\n",
                    device.DevInst, name);
        found = device.DevInst;
    }
    std::printf("the setup API lists %d devices of every class\n", count);
    return found;
}

// What the steps of a property change answer for the device, for the record.
void RecordInstallerSteps(DWORD state, const char* what) {
    HDEVINFO set = SetupDiCreateDeviceInfoList(nullptr, nullptr);
    SP_DEVINFO_DATA device = {};
    device.cbSize = sizeof device;
    const BOOL opened = SetupDiOpenDeviceInfoA(set, kInstanceId, nullptr, 0, &device);
    const DWORD openError = opened ? 0 : GetLastError();
    SP_PROPCHANGE_PARAMS params = {};
    params.ClassInstallHeader.cbSize = sizeof(SP_CLASSINSTALL_HEADER);
    params.ClassInstallHeader.InstallFunction = DIF_PROPERTYCHANGE;
    params.StateChange = state;
    params.Scope = DICS_FLAG_GLOBAL;
    SetLastError(0);
    const BOOL paramsSet =
        SetupDiSetClassInstallParamsA(set, &device, &params.ClassInstallHeader, sizeof params);
    const DWORD paramsError = GetLastError();
    SetLastError(0);
    const BOOL called = SetupDiCallClassInstaller(DIF_PROPERTYCHANGE, set, &device);
    const DWORD callError = GetLastError();
    std::printf(
        "  %s: SetupDiOpenDeviceInfoA %s (%lu), SetupDiSetClassInstallParamsA %s (%lu), "
        "SetupDiCallClassInstaller(DIF_PROPERTYCHANGE) %s (0x%08lX)\n",
        what, opened ? "TRUE" : "FALSE", openError, paramsSet ? "TRUE" : "FALSE", paramsError,
        called ? "TRUE" : "FALSE", callError);
    SetupDiDestroyDeviceInfoList(set);
}

}  // namespace

int main() {
    // 1. The machine's tree, a name that matches nothing.
    for (const bool enabled : {false, true}) {
        const platform::DeviceWalk walk =
            TimedWalk(std::string("walk of the machine's tree, ") +
                          (enabled ? "enable " : "disable ") + kNobody,
                      nullptr, kNobody, enabled);
        Check(walk.matched == 0 && walk.changed == 0,
              "a name that matches nothing changes nothing");
    }
    DEVINST root = 0;
    std::printf("the configuration manager's root: CM_Locate_DevNodeA answers %lu\n",
                CM_Locate_DevNodeA(&root, nullptr, CM_LOCATE_DEVNODE_NORMAL));
    SP_CLASSIMAGELIST_DATA images = {};
    images.cbSize = sizeof images;
    const BOOL haveImages = SetupDiGetClassImageList(&images);
    std::printf("the class image list: SetupDiGetClassImageList answers %s\n",
                haveImages ? "TRUE" : "FALSE");

    // 2. A receiver's device registered in the prefix.
    if (!RegisterReceiver()) {
        Check(false, "the device registers in the prefix's registry");
        return 1;
    }
    HDEVINFO all = AllDevices();
    const std::optional<DEVINST> receiver = FindReceiver(all);
    std::printf("the setup API %s a device registered in the prefix's registry\n",
                receiver ? "enumerates" : "does not enumerate");
    const platform::DeviceWalk found =
        TimedWalk("walk of the machine's tree for " + kReceiver, nullptr, kReceiver, false);
    std::printf("the walk %s the registered device\n",
                found.matched > 0 ? "finds" : "does not find");
    TimedWalk("walk of the machine's tree, enable " + kReceiver, nullptr, kReceiver, true);

    if (receiver) {
        // 3. The walk over the real child and sibling calls, from the device's node.
        platform::ConfigManagerNodes fromReceiver(haveImages ? &images : nullptr, *receiver);
        const platform::DeviceWalk walk =
            TimedWalk("walk from the registered device's node", &fromReceiver, kNobody, false);
        Check(walk.changed == 0, "a walk from the device's node changes nothing");

        // 4. The matching case: the class installer asked to disable, then to enable.
        for (const bool enabled : {false, true}) {
            const bool accepted = fromReceiver.SetEnabled(*receiver, enabled);
            std::printf("the class installer, %s %s: %s\n", enabled ? "enable" : "disable",
                        kReceiver.c_str(), accepted ? "accepted" : "refused");
            RecordInstallerSteps(enabled ? DICS_ENABLE : DICS_DISABLE,
                                 enabled ? "enable" : "disable");
        }
        SP_DEVINFO_DATA device = {};
        device.cbSize = sizeof device;
        HDEVINFO again = SetupDiCreateDeviceInfoList(nullptr, nullptr);
        Check(SetupDiOpenDeviceInfoA(again, kInstanceId, nullptr, 0, &device) != FALSE,
              "the device is still registered afterwards");
        SetupDiDestroyDeviceInfoList(again);
    }
    SetupDiDestroyDeviceInfoList(all);
    if (haveImages) {
        SetupDiDestroyClassImageList(&images);
    }
    std::printf("%s\n", g_failures == 0 ? "all checks passed" : "some checks FAILED");
    return g_failures == 0 ? 0 : 1;
}
