#pragma once

#include <string>

#include "platform/dialog.h"

class CErrorLogEntry;
class CErrorLogMgr;
class CGarnothInterface;

// "Vorin Error Log Retrieval" (template 138): one line per shown entry of the manager, the
// detail of a line on double-click, "Copy All" and, for a log read over TC, "Clear".
// Neither the device interface nor the manager is owned.
class CErrorLogDlg : public platform::CDialog {
  public:
    static constexpr int kTemplateId = 138;
    static constexpr int kClear = 1040;
    static constexpr int kList = 1041;
    static constexpr int kClearText = 1061;
    static constexpr int kCopyAll = 1094;

    CErrorLogDlg(CGarnothInterface* device, const CErrorLogMgr& log, bool clearAllowed,
                 bool showDeleted, platform::WindowHandle owner);

    // Whether an entry belongs in the list: valid ones always, deleted ones when shown.
    bool IsShown(const CErrorLogEntry& entry) const;
    // The "Copy All" text: the full text of every shown entry, each followed by "\r\n".
    std::string CopyAllText() const;

  protected:
    bool OnInitDialog() override;
    void OnCommand(int id) override;
    void OnDoubleClick(int controlId, int index) override;

  private:
    void OnClear();

    CGarnothInterface* device_;
    const CErrorLogMgr& log_;
    bool clearAllowed_;
    bool showDeleted_;
};
