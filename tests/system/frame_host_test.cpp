// The frame end to end, in process: a library load with registry settings and held keys, then
// the host's calls through the export layer, runs with status, progress, cancellation, the
// error box and the done message, on virtual time.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "frame/app.h"
#include "frame/branding.h"
#include "frame/host_interface.h"
#include "frame/host_reporting.h"
#include "frame/plugin_version.h"
#include "platform/strings.h"
#include "platform/virtual_clock.h"
#include "support/scripted_ui.h"
#include "support/test_operations.h"
#include "transport/serial_com_exception.h"

namespace {

using testing_support::MakeFactory;
using testing_support::ScopedRegistry;
using testing_support::ScriptedUi;
using testing_support::TestOperation;
using Kind = ScriptedUi::Event::Kind;

// Records the done message in the same sequence as everything else the host sees.
class HostUi : public ScriptedUi {
  public:
    bool PostWindowMessage(platform::WindowHandle window, unsigned message, std::uintptr_t wParam,
                           std::intptr_t lParam) override {
        if (message == WM_OPERATION_DONE) {
            sequence.push_back("done");
        }
        return ScriptedUi::PostWindowMessage(window, message, wParam, lParam);
    }
    std::intptr_t SendWindowMessage(platform::WindowHandle window, unsigned message,
                                    std::uintptr_t wParam, std::intptr_t lParam) override {
        if (message == WM_OPERATION_STATUS) {
            sequence.push_back(std::string("status: ") + reinterpret_cast<const char*>(lParam));
        } else if (message == WM_OPERATION_PROGRESS) {
            sequence.push_back("progress: " + std::to_string(lParam));
        }
        return ScriptedUi::SendWindowMessage(window, message, wParam, lParam);
    }
    int ShowMessageBox(platform::WindowHandle owner, const std::string& text,
                       const std::string& caption, unsigned flags) override {
        sequence.push_back("box: " + text);
        return ScriptedUi::ShowMessageBox(owner, text, caption, flags);
    }
    std::vector<std::string> sequence;
};

// An operation shaped like the shipped ones: title, "establishing" status, progress in steps
// with a cancel poll and a settle wait between them.
std::uint8_t ServiceLikeRun(const OperationContext& context, int failAtStep,
                            platform::PosixEvent* cancelAtStep2) {
    platform::SetWindowTitle(context.hostWindow, platform::LoadString(1625));
    ReportStatus(context, 610);
    for (int step = 0; step <= 2; ++step) {
        ReportProgress(context, step * 50);
        if (step == 2 && cancelAtStep2 != nullptr) {
            cancelAtStep2->signalled = true;  // the host asks from its own thread meanwhile
        }
        CheckForCancel(context);
        if (step == failAtStep) {
            throw CSerialComException(context.portNumber, CSerialComException::kOpenFailed, 2);
        }
        platform::Sleep(8000);
    }
    return 1;
}

class FrameHostTest : public ::testing::Test {
  protected:
    FrameHostTest() : clock_guard_(clock_) {}
    ~FrameHostTest() override {
        SetBrandingVariant(0);
        SetPluginVersion("");
    }

    // Loads "the library": registry and keys as given, three operations and the service one.
    void Load(std::function<std::uint8_t(const OperationContext&)> run) {
        OperationCatalog catalog;
        const char* names[] = {"Verify GPS software version", "Verify receiver options",
                               "View error log"};
        for (const char* name : names) {
            TestOperation::Script script;
            script.name = name;
            script.run = run;
            catalog.regular.push_back(MakeFactory(script));
        }
        TestOperation::Script service;
        service.name = "Wipe Radio Configuration Blocks";
        catalog.service = MakeFactory(service);
        app_ = std::make_unique<CGarnothApp>(catalog);
        ASSERT_TRUE(app_->InitInstance());
    }

    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (std::int32_t i = 0; i < host_api::GetNumberOperations(*app_); ++i) {
            std::array<char, 64> buffer{};
            EXPECT_TRUE(host_api::GetOperation(*app_, i, buffer.data(), 63));
            names.emplace_back(buffer.data());
        }
        return names;
    }

    HostUi ui;
    ScopedRegistry registry;
    platform::VirtualClock clock_;
    platform::ScopedClock clock_guard_;
    std::unique_ptr<CGarnothApp> app_;
};

TEST_F(FrameHostTest, LoadWithTheChordAndBrandingFromTheRegistry) {
    registry.tree.SetDword("SOFTWARE\\Corvane\\Vantor", "UseCatBitmap", 1);
    ui.HoldKeys(true, true);
    Load(nullptr);
    EXPECT_EQ(Names(),
              (std::vector<std::string>{"Verify GPS software version", "Verify receiver options",
                                        "View error log", "Wipe Radio Configuration Blocks"}));
    // The "Invalid Device!" message, as the version operation rebrands it.
    std::string message = platform::FormatString(733, 3, 3);
    EXPECT_TRUE(ApplyBrandingVariant(message));
    EXPECT_TRUE(message.starts_with("Invalid Device!\n\nBrackfell detected a product on COM3 "))
        << message;
    EXPECT_EQ(message.find("Vantor"), std::string::npos);
}

TEST_F(FrameHostTest, AppVariantZeroOverridesUseCatBitmap) {
    registry.tree.SetDword("SOFTWARE\\Corvane\\Vantor", "UseCatBitmap", 1);
    registry.tree.SetDword("SOFTWARE\\Corvane\\Vantor", "AppVariant", 0);
    Load(nullptr);
    EXPECT_EQ(Names().size(), 3U);
    std::string message = platform::FormatString(733, 3, 3);
    EXPECT_FALSE(ApplyBrandingVariant(message));
    EXPECT_NE(message.find("Vantor detected"), std::string::npos);
}

TEST_F(FrameHostTest, CompletedRunReportsInOrderAndWaitsOnVirtualTime) {
    Load([](const OperationContext& c) { return ServiceLikeRun(c, -1, nullptr); });
    const OperationContext context{4, 2, testing_support::TestWindow(), nullptr};
    EXPECT_EQ(host_api::DoOperation(*app_, &context), 1);
    EXPECT_EQ(ui.titles, (std::vector<std::string>{"Retrieve Software Version"}));
    EXPECT_EQ(ui.sequence,
              (std::vector<std::string>{
                  "status: Establishing communication with the Orrick receiver. Please wait...",
                  "progress: 0", "progress: 50", "progress: 100",
                  "status: The test operation succeeded.", "done"}));
    EXPECT_EQ(clock_.Sleeps(), (std::vector<std::uint32_t>{8000, 8000, 8000}));
}

TEST_F(FrameHostTest, HostCancellingMidRunEndsWithTheCancelStatus) {
    platform::PosixEvent cancel;
    Load([&cancel](const OperationContext& c) { return ServiceLikeRun(c, -1, &cancel); });
    const OperationContext context{4, 0, testing_support::TestWindow(), &cancel};
    EXPECT_EQ(host_api::DoOperation(*app_, &context), 2);
    EXPECT_TRUE(ui.boxes.empty());
    ASSERT_GE(ui.sequence.size(), 2U);
    EXPECT_EQ(ui.sequence[ui.sequence.size() - 2], "status: The operation was canceled.");
    EXPECT_EQ(ui.sequence.back(), "done");
    EXPECT_EQ(clock_.Sleeps().size(), 2U) << "no wait after the cancel";
}

TEST_F(FrameHostTest, FailedRunShowsTheBoxThenTheFailureStatusThenDone) {
    Load([](const OperationContext& c) { return ServiceLikeRun(c, 1, nullptr); });
    const OperationContext context{7, 1, testing_support::TestWindow(), nullptr};
    EXPECT_EQ(host_api::DoOperation(*app_, &context), 0);
    const std::string expectedBox =
        "box: DevVorin Version: 4.86b0\n\nCOM Failure! [301] There was a failure [2] attempting "
        "to open COM7.\n\nRestart your computer and try again.";
    const std::vector<std::string> tail(ui.sequence.end() - 3, ui.sequence.end());
    EXPECT_EQ(tail, (std::vector<std::string>{
                        expectedBox, "status: There was a failure with the operation!", "done"}));
    ASSERT_EQ(ui.boxes.size(), 1U);
    EXPECT_EQ(ui.boxes[0].caption, "DevVorin");
    EXPECT_EQ(ui.boxes[0].flags, 0x10030U);
}

TEST_F(FrameHostTest, RunWithoutAHostWindowStillRunsButReportsNothing) {
    Load([](const OperationContext& c) { return ServiceLikeRun(c, 1, nullptr); });
    const OperationContext context{7, 1, nullptr, nullptr};
    EXPECT_EQ(host_api::DoOperation(*app_, &context), 0);
    EXPECT_TRUE(ui.statuses.empty());
    EXPECT_TRUE(ui.progress.empty());
    ASSERT_EQ(ui.boxes.size(), 1U);
    EXPECT_EQ(ui.boxes[0].owner, nullptr);
    ASSERT_EQ(ui.posted.size(), 1U) << "the done message goes out even so";
    EXPECT_EQ(ui.posted[0].window, nullptr);
}

}  // namespace
