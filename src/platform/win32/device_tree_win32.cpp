#include <windows.h>
// windows.h must come first.
#include <cfgmgr32.h>
#include <setupapi.h>

#include <string>
#include <vector>

#include "platform/device_tree.h"

namespace platform {
namespace {

// One registry property of a device node as text; empty when it cannot be read.
std::string NodeProperty(DEVINST node, ULONG property) {
    ULONG size = 0;
    ULONG type = 0;
    if (CM_Get_DevNode_Registry_PropertyA(node, property, &type, nullptr, &size, 0) !=
            CR_BUFFER_SMALL ||
        size == 0) {
        return {};
    }
    std::vector<char> buffer(size + 1, '\0');
    if (CM_Get_DevNode_Registry_PropertyA(node, property, &type, buffer.data(), &size, 0) !=
        CR_SUCCESS) {
        return {};
    }
    return std::string(buffer.data());
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// Reads count hex digits from text at position; false when any is missing.
bool ReadHex(const std::string& text, std::size_t& position, int count, unsigned long long& value) {
    value = 0;
    for (int i = 0; i < count; ++i, ++position) {
        if (position >= text.size()) {
            return false;
        }
        const int digit = HexDigit(text[position]);
        if (digit < 0) {
            return false;
        }
        value = (value << 4) | static_cast<unsigned long long>(digit);
    }
    return true;
}

// The class GUID property "{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}" as a GUID.
bool ParseGuid(const std::string& text, GUID& guid) {
    if (text.size() != 38 || text.front() != '{' || text.back() != '}') {
        return false;
    }
    std::size_t position = 1;
    unsigned long long value = 0;
    if (!ReadHex(text, position, 8, value)) {
        return false;
    }
    guid.Data1 = static_cast<unsigned long>(value);
    if (text[position++] != '-' || !ReadHex(text, position, 4, value)) {
        return false;
    }
    guid.Data2 = static_cast<unsigned short>(value);
    if (text[position++] != '-' || !ReadHex(text, position, 4, value)) {
        return false;
    }
    guid.Data3 = static_cast<unsigned short>(value);
    if (text[position++] != '-') {
        return false;
    }
    for (int i = 0; i < 8; ++i) {
        if (i == 2 && text[position++] != '-') {
            return false;
        }
        if (!ReadHex(text, position, 2, value)) {
            return false;
        }
        guid.Data4[i] = static_cast<unsigned char>(value);
    }
    return true;
}

// Asks the node's class installer for a global property change to state (DICS_DISABLE or
// DICS_ENABLE); true when the installer accepted it.
bool ChangeState(DEVINST node, DWORD state) {
    char instanceId[MAX_DEVICE_ID_LEN + 1] = {};
    if (CM_Get_Device_IDA(node, instanceId, MAX_DEVICE_ID_LEN, 0) != CR_SUCCESS) {
        return false;
    }
    HDEVINFO set = SetupDiCreateDeviceInfoList(nullptr, nullptr);
    if (set == INVALID_HANDLE_VALUE) {
        return false;
    }
    SP_DEVINFO_DATA device = {};
    device.cbSize = sizeof device;
    bool changed = false;
    if (SetupDiOpenDeviceInfoA(set, instanceId, nullptr, 0, &device)) {
        SP_PROPCHANGE_PARAMS params = {};
        params.ClassInstallHeader.cbSize = sizeof(SP_CLASSINSTALL_HEADER);
        params.ClassInstallHeader.InstallFunction = DIF_PROPERTYCHANGE;
        params.StateChange = state;
        params.Scope = DICS_FLAG_GLOBAL;
        params.HwProfile = 0;
        changed = SetupDiSetClassInstallParamsA(set, &device, &params.ClassInstallHeader,
                                                sizeof params) &&
                  SetupDiCallClassInstaller(DIF_PROPERTYCHANGE, set, &device);
    }
    SetupDiDestroyDeviceInfoList(set);
    return changed;
}

class SetupApiDeviceTree final : public DeviceTree {
  public:
    int SetDevicesEnabled(std::string_view nameContains, bool enabled) override {
        DEVINST root = 0;
        if (CM_Locate_DevNodeA(&root, nullptr, CM_LOCATE_DEVNODE_NORMAL) != CR_SUCCESS) {
            return 0;
        }
        SP_CLASSIMAGELIST_DATA images = {};
        images.cbSize = sizeof images;
        if (!SetupDiGetClassImageList(&images)) {
            return 0;
        }
        int changed = 0;
        Walk(root, images, nameContains, enabled ? DICS_ENABLE : DICS_DISABLE, changed);
        SetupDiDestroyClassImageList(&images);
        return changed;
    }

  private:
    // Visits node, then its children, then its following siblings. The siblings are walked in a
    // loop so that a long chain of siblings cannot exhaust the stack.
    void Walk(DEVINST node, SP_CLASSIMAGELIST_DATA& images, std::string_view nameContains,
              DWORD state, int& changed) {
        for (;;) {
            Visit(node, images, nameContains, state, changed);
            DEVINST child = 0;
            if (CM_Get_Child(&child, node, 0) == CR_SUCCESS) {
                Walk(child, images, nameContains, state, changed);
            }
            DEVINST sibling = 0;
            if (CM_Get_Sibling(&sibling, node, 0) != CR_SUCCESS) {
                return;
            }
            node = sibling;
        }
    }

    void Visit(DEVINST node, SP_CLASSIMAGELIST_DATA& images, std::string_view nameContains,
               DWORD state, int& changed) {
        GUID classGuid = {};
        if (!ParseGuid(NodeProperty(node, CM_DRP_CLASSGUID), classGuid)) {
            return;
        }
        int imageIndex = 0;
        if (!SetupDiGetClassImageIndex(&images, &classGuid, &imageIndex)) {
            return;
        }
        std::string name = NodeProperty(node, CM_DRP_FRIENDLYNAME);
        if (name.empty()) {
            name = NodeProperty(node, CM_DRP_DEVICEDESC);
        }
        if (name.empty()) {
            name = "Unknown Device";
        }
        if (name.find(nameContains) != std::string::npos && ChangeState(node, state)) {
            ++changed;
        }
    }
};

}  // namespace

DeviceTree& SystemDeviceTree() {
    static SetupApiDeviceTree tree;
    return tree;
}

}  // namespace platform
