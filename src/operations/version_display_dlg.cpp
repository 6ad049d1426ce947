#include "operations/version_display_dlg.h"

#include <utility>

#include "platform/strings.h"

namespace {
constexpr unsigned kModelFormat = 1810;  // "Model: %s"
}

CVersionDisplayDlg::CVersionDisplayDlg(Values values, platform::WindowHandle owner)
    : CDialog(kTemplateId, owner), values_(std::move(values)) {}

std::string CVersionDisplayDlg::TrimLeadingZeros(const std::string& text) {
    const std::size_t first = text.find_first_not_of('0');
    return first == std::string::npos ? std::string() : text.substr(first);
}

bool CVersionDisplayDlg::OnInitDialog() {
    SetItemText(kModelLabel, platform::FormatString(kModelFormat, values_.model));
    SetItemText(kSerialNumber, values_.serialNumber);
    SetItemText(kSoftwareVersion, TrimLeadingZeros(values_.softwareVersion));
    SetItemText(kBootVersion, TrimLeadingZeros(values_.bootVersion));
    // An empty radio version stays empty; "None" and version texts lose their leading zeros.
    SetItemText(kRadioVersion, TrimLeadingZeros(values_.radioVersion));
    SetItemText(kPcbSerialNumber, values_.pcbSerialNumber);
    return true;
}
