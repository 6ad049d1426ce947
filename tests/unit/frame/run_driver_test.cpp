#include <gtest/gtest.h>

#include <new>
#include <stdexcept>
#include <string>

#include "frame/plugin_version.h"
#include "frame/run_driver.h"
#include "support/scripted_ui.h"
#include "support/test_operations.h"

namespace {

using testing_support::ScriptedUi;
using testing_support::TestFailure;
using testing_support::TestOperation;
using Kind = ScriptedUi::Event::Kind;

class RunDriverTest : public ::testing::Test {
  protected:
    RunDriverTest() { SetPluginVersion("4.86b0"); }
    ~RunDriverTest() override { SetPluginVersion(""); }

    OperationContext Context(platform::WindowHandle window) const {
        return OperationContext{5, 0, window, nullptr};
    }

    ScriptedUi ui;
};

TEST_F(RunDriverTest, OutcomeDecidesResultFinalStatusAndBox) {
    struct Case {
        const char* legend;
        std::function<std::uint8_t(const OperationContext&)> run;
        int result;
        std::vector<std::string> statuses;
        std::string box;  // the error box's message; empty: no box
    };
    const std::vector<Case> cases = {
        {"completed: the success text, not a generic one",
         [](const OperationContext&) { return std::uint8_t{1}; },
         1,
         {"The test operation succeeded."},
         ""},
        {"returned 0: no final status",
         [](const OperationContext&) { return std::uint8_t{0}; },
         0,
         {},
         ""},
        {"returned 2 without throwing is not a cancellation",
         [](const OperationContext&) { return std::uint8_t{2}; },
         0,
         {},
         ""},
        {"cancelled by CUserException (caught before CException)",
         [](const OperationContext&) -> std::uint8_t { throw CUserException(); },
         2,
         {"The operation was canceled."},
         ""},
        {"failed with a CException",
         [](const OperationContext&) -> std::uint8_t { throw TestFailure("port gone"); },
         0,
         {"There was a failure with the operation!"},
         "port gone"},
        {"an allocation failure is the framework's out-of-memory failure",
         [](const OperationContext&) -> std::uint8_t { throw std::bad_alloc(); },
         0,
         {"There was a failure with the operation!"},
         "Out of memory."},
    };
    for (const Case& c : cases) {
        ScriptedUi local;
        TestOperation::Script script;
        script.run = c.run;
        TestOperation operation(script);
        EXPECT_EQ(RunOperation(operation, Context(testing_support::TestWindow())), c.result)
            << c.legend;
        EXPECT_EQ(local.statuses, c.statuses) << c.legend;
        ASSERT_EQ(local.boxes.size(), c.box.empty() ? 0U : 1U) << c.legend;
        if (!c.box.empty()) {
            EXPECT_EQ(local.boxes[0].text, "DevVorin Version: 4.86b0\n\n" + c.box) << c.legend;
        }
    }
    // Each nested recorder took every call while it lived and then handed the fixture's back.
    EXPECT_TRUE(ui.statuses.empty());
    TestOperation plain({});
    RunOperation(plain, Context(testing_support::TestWindow()));
    EXPECT_EQ(ui.statuses, std::vector<std::string>{"The test operation succeeded."});
}

TEST_F(RunDriverTest, FailureShowsTheVersionedErrorBoxBeforeTheFinalStatus) {
    TestOperation::Script script;
    script.run = [](const OperationContext&) -> std::uint8_t { throw TestFailure("port gone"); };
    TestOperation operation(script);
    ASSERT_EQ(RunOperation(operation, Context(testing_support::TestWindow())), 0);

    ASSERT_EQ(ui.boxes.size(), 1U);
    EXPECT_EQ(ui.boxes[0].text, "DevVorin Version: 4.86b0\n\nport gone");
    EXPECT_EQ(ui.boxes[0].caption, "DevVorin");
    EXPECT_EQ(ui.boxes[0].flags, 0x10030U);
    EXPECT_EQ(ui.boxes[0].owner, testing_support::TestWindow());
    ASSERT_EQ(ui.events.size(), 2U);
    EXPECT_EQ(ui.events[0].kind, Kind::kBox);
    EXPECT_EQ(ui.events[1].kind, Kind::kStatus);
    EXPECT_EQ(ui.events[1].text, "There was a failure with the operation!");
}

TEST_F(RunDriverTest, LongTextsAreCutToWhatTheBuffersOffer) {
    // The message is fetched with 255 characters offered: 254 of text and the terminator.
    const std::string longMessage(300, 'm');
    TestOperation::Script failing;
    failing.run = [&](const OperationContext&) -> std::uint8_t { throw TestFailure(longMessage); };
    TestOperation failingOperation(failing);
    RunOperation(failingOperation, Context(testing_support::TestWindow()));
    ASSERT_EQ(ui.boxes.size(), 1U);
    EXPECT_EQ(ui.boxes[0].text, "DevVorin Version: 4.86b0\n\n" + std::string(254, 'm'));

    // The success text is fetched by bounded copy into 255 of 256 characters.
    TestOperation::Script succeeding;
    succeeding.success = std::string(400, 's');
    TestOperation succeedingOperation(succeeding);
    ui.statuses.clear();
    EXPECT_EQ(RunOperation(succeedingOperation, Context(testing_support::TestWindow())), 1);
    ASSERT_EQ(ui.statuses.size(), 1U);
    EXPECT_EQ(ui.statuses[0], std::string(255, 's'));
}

TEST_F(RunDriverTest, NullHostWindowRunsWithoutStatusAndUnownedBox) {
    TestOperation::Script script;
    script.run = [](const OperationContext&) -> std::uint8_t { throw TestFailure("no window"); };
    TestOperation operation(script);
    EXPECT_EQ(RunOperation(operation, Context(nullptr)), 0);
    EXPECT_EQ(operation.runs, 1);
    EXPECT_TRUE(ui.statuses.empty());
    ASSERT_EQ(ui.boxes.size(), 1U);
    EXPECT_EQ(ui.boxes[0].owner, nullptr);
}

TEST_F(RunDriverTest, ExceptionsOutsideTheFrameworkPassThrough) {
    TestOperation::Script script;
    script.run = [](const OperationContext&) -> std::uint8_t { throw std::runtime_error("x"); };
    TestOperation operation(script);
    EXPECT_THROW(RunOperation(operation, Context(testing_support::TestWindow())),
                 std::runtime_error);
    EXPECT_TRUE(ui.boxes.empty());
    EXPECT_TRUE(ui.statuses.empty());
}

}  // namespace
