// CAutoListCtrl on the POSIX control tree: the nesting redraw lock and column auto-sizing.
#include <gtest/gtest.h>

#include <functional>
#include <utility>
#include <vector>

#include "operations/auto_list_ctrl.h"
#include "platform/dialog.h"
#include "platform/posix/dialog_session.h"
#include "support/scripted_ui.h"

namespace {

constexpr int kList = 20;

platform::DialogTemplate ListTemplate() {
    return {901,
            0,
            0,
            200,
            150,
            "List",
            8,
            "MS Sans Serif",
            {{platform::ControlKind::kListView, kList, "", 5, 5, 190, 120, 0},
             {platform::ControlKind::kButton, platform::kIdOk, "OK", 5, 130, 40, 14, 0}}};
}

// Runs body in the dialog's initialisation, with the list control bound to it.
class ListDialog : public platform::CDialog {
  public:
    explicit ListDialog(std::function<void(CAutoListCtrl&)> body)
        : CDialog(901, nullptr), list(*this, kList), body_(std::move(body)) {}
    CAutoListCtrl list;

  protected:
    bool OnInitDialog() override {
        body_(list);
        return true;
    }

  private:
    std::function<void(CAutoListCtrl&)> body_;
};

const platform::DialogControl& ListOf(const testing_support::ScriptedUi& ui) {
    return ui.dialogs.back().controls.front();
}

TEST(AutoListCtrl, RedrawIsSwitchedOnlyWhenTheOutermostLockChanges) {
    testing_support::ScriptedUi ui;
    std::vector<std::int32_t> locks;
    ListDialog dialog([&](CAutoListCtrl& list) {
        list.UnlockRedraw();  // a stray unlock is ignored
        list.LockRedraw();
        list.LockRedraw();
        list.AutoSizeColumns();  // locks and unlocks inside the outer locks
        locks.push_back(list.RedrawLocks());
        list.UnlockRedraw();
        locks.push_back(list.RedrawLocks());
        list.UnlockRedraw();
        locks.push_back(list.RedrawLocks());
        list.LockRedraw();
        list.UnlockRedraw();
    });
    platform::RunModalDialog(dialog, ListTemplate());
    EXPECT_EQ(locks, (std::vector<std::int32_t>{2, 1, 0}));
    EXPECT_EQ(ListOf(ui).redrawSwitches, (std::vector<bool>{false, true, false, true}));
    EXPECT_EQ(ListOf(ui).erasingInvalidations, 2);
}

TEST(AutoListCtrl, ColumnsFitTheWiderOfContentsAndHeaderAndKeepTenPixels) {
    testing_support::ScriptedUi ui;
    std::vector<int> widths;
    ListDialog dialog([&](CAutoListCtrl& list) {
        list.InsertColumn("Before first");  // left as it was: sizing starts at the first asked
        list.InsertColumn("");              // empty header and cells
        list.InsertColumn("Header wider");  // header wider than its cells
        list.InsertColumn("H");             // cells wider than the header
        list.InsertColumn("Last");          // fills the room left, less than its cell needs
        const int row = list.InsertItem("", 7);
        list.SetItemText(row, 2, "x");
        list.SetItemText(row, 3, "a cell wider than its header");
        list.SetItemText(row, 4, "the last cell, longer than the room left");
        list.SetColumnWidth(0, 3);
        list.AutoSizeColumns(1);
        for (int c = 0; c < list.GetColumnCount(); ++c) {
            widths.push_back(list.GetColumnWidth(c));
        }
    });
    platform::RunModalDialog(dialog, ListTemplate());
    ASSERT_EQ(widths.size(), 5u);
    EXPECT_EQ(widths[0], 3) << "before the first column asked for: untouched";
    EXPECT_EQ(widths[1], CAutoListCtrl::kMinimumColumnWidth);
    EXPECT_GT(widths[2], widths[1]) << "the header counts";
    EXPECT_GT(widths[3], widths[2]) << "the longer cell wins over the shorter header";
    EXPECT_GT(widths[4], widths[3]) << "the contents win over the room the header fit leaves";
    EXPECT_EQ(ListOf(ui).itemData, (std::vector<std::uintptr_t>{7}));
}

}  // namespace
