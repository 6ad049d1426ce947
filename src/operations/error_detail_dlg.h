#pragma once

#include <string>
#include <utility>
#include <vector>

#include "platform/dialog.h"

class CErrorLogEntry;

// "Error Detail" (template 139): one entry of the error log as rows of a list view, its software
// version and date, and "Copy" for the entry's full text. The entry is not owned.
class CErrorDetailDlg : public platform::CDialog {
  public:
    static constexpr int kTemplateId = 139;
    static constexpr int kSoftwareVersion = 1017;
    static constexpr int kSoftwareDate = 1051;
    static constexpr int kCopy = 1001;
    static constexpr int kRows = 1093;
    static constexpr int kSubjectWidth = 110;
    static constexpr int kInformationWidth = 270;

    using Row = std::pair<std::string, std::string>;  // label, value

    // Prepares every text of the entry.
    CErrorDetailDlg(const CErrorLogEntry& entry, platform::WindowHandle owner);

    // The rows in list order: nine for every entry, then for long records the stack pointer,
    // the trace words before the first zero (at most ten) and the user data (at most 40 bytes).
    const std::vector<Row>& Rows() const { return rows_; }

  protected:
    bool OnInitDialog() override;
    void OnCommand(int id) override;

  private:
    const CErrorLogEntry& entry_;
    std::vector<Row> rows_;
    std::string softwareVersion_;
    std::string softwareDate_;
};
