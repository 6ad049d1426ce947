#include <windows.h>
// windows.h must come first.
#include <cfgmgr32.h>
#include <setupapi.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/device_tree.h"
#include "platform/device_tree_walk.h"
#include "platform/win32/config_manager_nodes.h"

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

}  // namespace

std::optional<DeviceNodes::Node> ConfigManagerNodes::Root() {
    if (root_) {
        return root_;
    }
    DEVINST root = 0;
    if (CM_Locate_DevNodeA(&root, nullptr, CM_LOCATE_DEVNODE_NORMAL) != CR_SUCCESS) {
        return std::nullopt;
    }
    return root;
}

std::optional<DeviceNodes::Node> ConfigManagerNodes::FirstChild(Node node) {
    DEVINST child = 0;
    if (CM_Get_Child(&child, node, 0) != CR_SUCCESS) {
        return std::nullopt;
    }
    return child;
}

std::optional<DeviceNodes::Node> ConfigManagerNodes::NextSibling(Node node) {
    DEVINST sibling = 0;
    if (CM_Get_Sibling(&sibling, node, 0) != CR_SUCCESS) {
        return std::nullopt;
    }
    return sibling;
}

std::optional<std::string> ConfigManagerNodes::DisplayName(Node node) {
    GUID classGuid = {};
    if (images_ == nullptr || !ParseGuid(NodeProperty(node, CM_DRP_CLASSGUID), classGuid)) {
        return std::nullopt;
    }
    int imageIndex = 0;
    if (!SetupDiGetClassImageIndex(images_, &classGuid, &imageIndex)) {
        return std::nullopt;
    }
    std::string name = NodeProperty(node, CM_DRP_FRIENDLYNAME);
    if (name.empty()) {
        name = NodeProperty(node, CM_DRP_DEVICEDESC);
    }
    return name.empty() ? std::string("Unknown Device") : name;
}

bool ConfigManagerNodes::SetEnabled(Node node, bool enabled) {
    return ChangeState(node, enabled ? DICS_ENABLE : DICS_DISABLE);
}

namespace {

class SetupApiDeviceTree final : public DeviceTree {
  public:
    DeviceWalk SetDevicesEnabled(std::string_view nameContains, bool enabled) override {
        SP_CLASSIMAGELIST_DATA images = {};
        images.cbSize = sizeof images;
        // Without the class image list no node takes part; the walk still runs, so that what
        // it visited is known.
        const bool haveImages = SetupDiGetClassImageList(&images) != FALSE;
        ConfigManagerNodes nodes(haveImages ? &images : nullptr);
        const DeviceWalk walk = WalkDeviceTree(nodes, nameContains, enabled);
        if (haveImages) {
            SetupDiDestroyClassImageList(&images);
        }
        return walk;
    }
};

}  // namespace

DeviceTree& SystemDeviceTree() {
    static SetupApiDeviceTree tree;
    return tree;
}

}  // namespace platform
