// The dialog seam on its POSIX backend: templates as data, the control tree a dialog class
// fills, and what the UI driver can read and do (buttons, rows, Escape, nested dialogs).
#include <gtest/gtest.h>

#include "platform/dialog.h"
#include "platform/posix/dialog_session.h"
#include "support/scripted_ui.h"

namespace {

using platform::ControlKind;
using platform::DialogSession;
using testing_support::ScriptedUi;

constexpr int kList = 10;
constexpr int kView = 11;
constexpr int kHidden = 12;
constexpr int kNested = 13;

platform::DialogTemplate TestTemplate() {
    return {
        900,
        0,
        0,
        200,
        150,
        "Seam",
        8,
        "MS Sans Serif",
        {{ControlKind::kListBox, kList, "", 5, 5, 90, 60, platform::dialog_style::kListBoxNotify},
         {ControlKind::kListView, kView, "", 100, 5, 90, 60, 0},
         {ControlKind::kButton, kHidden, "Details", 5, 70, 40, 14, 0},
         {ControlKind::kButton, kNested, "More", 50, 70, 40, 14, 0},
         {ControlKind::kButton, platform::kIdOk, "OK", 100, 70, 40, 14,
          platform::dialog_style::kDefPushButton}}};
}

// Fills every kind of control and records what the user did.
class SeamDialog : public platform::CDialog {
  public:
    explicit SeamDialog(platform::WindowHandle owner) : CDialog(900, owner) {}
    int RunWith(const platform::DialogTemplate& dialogTemplate) {
        return platform::RunModalDialog(*this, dialogTemplate);
    }

    std::vector<std::string> log;
    int autoWidth = 0;
    int headerWidth = 0;

  protected:
    bool OnInitDialog() override {
        ListBoxAdd(kList, "first", 100);
        ListBoxAdd(kList, "second", 200);
        ListViewGridLines(kView);
        ListViewAddColumn(kView, "Index", 40);
        ListViewAddColumn(kView, "A much longer header", 40);
        ListViewAddColumn(kView, "Last", 40);  // the last column fills the room left instead
        const int row = ListViewAddRow(kView, "1", 7);
        ListViewSetCell(kView, row, 1, "x");
        ListViewAddRow(kView, "a much longer cell", 8);
        ListViewAutoSize(kView, 0, false);
        ListViewAutoSize(kView, 1, true);
        autoWidth = ListViewWidth(kView, 0);
        headerWidth = ListViewWidth(kView, 1);
        ShowItem(kHidden, false);
        return true;
    }
    void OnCommand(int id) override {
        if (id == kNested) {
            SeamDialog inner(Handle());
            inner.RunWith(TestTemplate());
            log.push_back("nested closed");
            return;
        }
        log.push_back("command " + std::to_string(id));
        CDialog::OnCommand(id);
    }
    void OnDoubleClick(int controlId, int index) override {
        const std::uintptr_t data =
            controlId == kList ? ListBoxData(controlId, index) : ListViewData(controlId, index);
        log.push_back("double-click " + std::to_string(controlId) + " row " +
                      std::to_string(index) + " data " + std::to_string(data));
    }
};

TEST(DialogSeam, TheVersionTemplateComesFromTheSharedRows) {
    const platform::DialogTemplate* version = platform::FindDialogTemplate(106);
    ASSERT_NE(version, nullptr);
    EXPECT_EQ(version->caption, "Software Version");
    EXPECT_EQ(version->width, 171);
    EXPECT_EQ(version->height, 124);
    EXPECT_EQ(version->pointSize, 8);
    EXPECT_EQ(version->fontName, "MS Sans Serif");
    for (const int id : {1019, 1017, 1067, 1077, 1095}) {
        const auto it = std::find_if(version->controls.begin(), version->controls.end(),
                                     [id](const auto& c) { return c.id == id; });
        ASSERT_NE(it, version->controls.end()) << id;
        EXPECT_EQ(it->kind, ControlKind::kEdit) << id;
        EXPECT_NE(it->style & platform::dialog_style::kReadOnly, 0u) << id;
        EXPECT_NE(it->style & platform::dialog_style::kBorder, 0u) << id;
        EXPECT_NE(it->style & platform::dialog_style::kAutoHScroll, 0u) << id;
    }
    EXPECT_EQ(platform::FindDialogTemplate(12345), nullptr);
}

TEST(DialogSeam, DriverReadsAndDrivesEveryKindOfControl) {
    struct Case {
        const char* legend;
        std::function<void(DialogSession&)> act;
        int result;
        std::vector<std::string> log;
    };
    const std::vector<Case> cases = {
        {"OK ends with IDOK", [](DialogSession& s) { s.Press(platform::kIdOk); }, 1, {"command 1"}},
        {"Escape ends with IDCANCEL", [](DialogSession& s) { s.Escape(); }, 2, {"command 2"}},
        {"a hidden button cannot be pressed",
         [](DialogSession& s) {
             s.Press(kHidden);
             s.Press(platform::kIdOk);
         },
         1,
         {"command 1"}},
        {"double-click on a list box row gives its item data",
         [](DialogSession& s) {
             s.DoubleClick(kList, 1);
             s.Press(platform::kIdOk);
         },
         1,
         {"double-click 10 row 1 data 200", "command 1"}},
        {"double-click on a list view row gives its item data",
         [](DialogSession& s) {
             s.DoubleClick(kView, 0);
             s.Press(platform::kIdOk);
         },
         1,
         {"double-click 11 row 0 data 7", "command 1"}},
        {"a nested dialog opens over this one and returns to it",
         [](DialogSession& s) {
             s.Press(kNested);
             s.Press(platform::kIdOk);
         },
         1,
         {"nested closed", "command 1"}},
        {"a driver that leaves the dialog open: closed as Escape",
         [](DialogSession&) {},
         2,
         {"command 2"}},
    };
    for (const Case& c : cases) {
        ScriptedUi ui;
        ui.OnNextDialog(c.act);
        SeamDialog dialog(testing_support::TestWindow());
        EXPECT_EQ(dialog.RunWith(TestTemplate()), c.result) << c.legend;
        EXPECT_EQ(dialog.log, c.log) << c.legend;
    }
}

TEST(DialogSeam, ControlTreeHoldsRowsColumnsAndWidths) {
    ScriptedUi ui;
    ui.OnNextDialog([](DialogSession& s) {
        const platform::DialogControl* view = s.Find(kView);
        ASSERT_NE(view, nullptr);
        EXPECT_TRUE(view->gridLines);
        ASSERT_EQ(view->columns.size(), 3u);
        EXPECT_EQ(view->rows, (std::vector<std::vector<std::string>>{
                                  {"1", "x", ""}, {"a much longer cell", "", ""}}));
        EXPECT_FALSE(s.Find(kHidden)->visible);
        EXPECT_EQ(s.Find(kList)->items, (std::vector<std::string>{"first", "second"}));
        const std::string text = platform::RenderDialog(s);
        EXPECT_NE(text.find("+--- Seam ---"), std::string::npos) << text;
        EXPECT_NE(text.find("    second"), std::string::npos) << text;
        EXPECT_NE(text.find(" | a much longer cell | "), std::string::npos) << text;
        EXPECT_EQ(text.find("Details"), std::string::npos) << "hidden controls are not shown";
        s.Press(platform::kIdOk);
    });
    SeamDialog dialog(nullptr);
    dialog.RunWith(TestTemplate());
    EXPECT_GT(dialog.autoWidth, 40) << "auto-size fits the longest cell";
    EXPECT_GT(dialog.headerWidth, 40) << "auto-size with the header fits the header";
    // After the dialog has closed, control calls read nothing.
    EXPECT_EQ(dialog.Handle(), nullptr);
}

}  // namespace
