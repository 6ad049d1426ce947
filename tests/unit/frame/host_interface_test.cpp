#include <gtest/gtest.h>

#include <array>
#include <stdexcept>
#include <string>
#include <vector>

#include "frame/host_interface.h"
#include "platform/module.h"
#include "support/scripted_ui.h"
#include "support/test_operations.h"

namespace {

using testing_support::MakeFactory;
using testing_support::ScopedRegistry;
using testing_support::ScriptedUi;
using testing_support::TestFailure;
using testing_support::TestOperation;

constexpr char kFill = '#';

std::array<char, 32> Filled() {
    std::array<char, 32> buffer;
    buffer.fill(kFill);
    return buffer;
}

bool Untouched(const std::array<char, 32>& buffer) {
    for (const char c : buffer) {
        if (c != kFill) {
            return false;
        }
    }
    return true;
}

class HostInterfaceTest : public ::testing::Test {
  protected:
    HostInterfaceTest() : app_(Catalog()) {
        ui.HoldKeys(false, false);
        EXPECT_TRUE(app_.InitInstance());
    }

    OperationCatalog Catalog() {
        OperationCatalog catalog;
        const char* names[] = {"first", "second", "third"};
        for (const char* name : names) {
            TestOperation::Script script;
            script.name = name;
            script.description = std::string("describes ") + name;
            script.run = [this](const OperationContext&) -> std::uint8_t { return runResult; };
            catalog.regular.push_back(MakeFactory(script, &made));
        }
        return catalog;
    }

    OperationContext Context(std::int32_t port, std::int32_t index) const {
        return OperationContext{port, index, testing_support::TestWindow(), nullptr};
    }

    int TotalRuns() const {
        int runs = 0;
        for (const TestOperation* operation : made) {
            runs += operation->runs;
        }
        return runs;
    }

    ScriptedUi ui;
    ScopedRegistry registry;
    std::vector<TestOperation*> made;
    std::uint8_t runResult = 1;
    CGarnothApp app_;
};

TEST_F(HostInterfaceTest, NameAndDescriptionCopiesAreBounded) {
    auto buffer = Filled();
    ASSERT_TRUE(host_api::GetOperation(app_, 1, buffer.data(), 10));
    EXPECT_EQ(std::string(buffer.data(), 10), std::string("second\0\0\0\0", 10));
    EXPECT_EQ(buffer[10], kFill);

    buffer = Filled();
    ASSERT_TRUE(host_api::GetOperation(app_, 0, buffer.data(), 5)) << "name as long as the buffer";
    EXPECT_EQ(std::string(buffer.data(), 6), "first#") << "no terminator after a full buffer";

    buffer = Filled();
    ASSERT_TRUE(host_api::GetDescription(app_, 2, buffer.data(), 4)) << "longer than the buffer";
    EXPECT_EQ(std::string(buffer.data(), 5), "desc#");
}

TEST_F(HostInterfaceTest, InvalidIndicesAndBadBuffersReturnTheFailureValueUntouched) {
    struct Case {
        const char* legend;
        std::int32_t index;
        bool nullBuffer;
        std::int32_t size;
    };
    const Case cases[] = {
        {"index -1", -1, false, 32},        {"index equal to the count", 3, false, 32},
        {"huge index", 1 << 30, false, 32}, {"null buffer with a size", 0, true, 32},
        {"negative size", 0, false, -1},
    };
    for (const Case& c : cases) {
        auto buffer = Filled();
        char* target = c.nullBuffer ? nullptr : buffer.data();
        EXPECT_FALSE(host_api::GetOperation(app_, c.index, target, c.size)) << c.legend;
        EXPECT_FALSE(host_api::GetDescription(app_, c.index, target, c.size)) << c.legend;
        for (const std::int32_t item : {0, 1, 2, 3}) {
            EXPECT_FALSE(host_api::GetText(app_, c.index, item, target, c.size)) << c.legend;
        }
        EXPECT_TRUE(Untouched(buffer)) << c.legend;
    }
    EXPECT_TRUE(host_api::GetOperation(app_, 0, nullptr, 0)) << "nothing to write is no fault";
}

TEST_F(HostInterfaceTest, TextItemsZeroToThreeComeFromTheOperation) {
    struct Case {
        std::int32_t item;
        bool result;
        std::string text;  // the first bytes of the buffer afterwards
    };
    const Case cases[] = {
        {0, true, std::string("summary\0", 8)},
        {1, true,
         "Ensure your Orrick receiver is connected to COM%d of the PC over Bluetooth or serial "
         "cable."},
        {2, true, std::string("action\0", 7)},
        {3, true, std::string("The test operation succeeded.\0", 30)},
    };
    for (const Case& c : cases) {
        std::array<char, 128> buffer;
        buffer.fill(kFill);
        EXPECT_EQ(host_api::GetText(app_, 0, c.item, buffer.data(), 128), c.result) << c.item;
        EXPECT_EQ(std::string(buffer.data(), c.text.size()), c.text) << c.item;
    }
    for (const std::int32_t item : {-1, 4}) {
        auto buffer = Filled();
        EXPECT_FALSE(host_api::GetText(app_, 0, item, buffer.data(), 32)) << item;
        EXPECT_TRUE(Untouched(buffer)) << "item " << item << " leaves the buffer as it was";
    }
}

TEST_F(HostInterfaceTest, ExceptionsWhileCopyingZeroFillTheBuffer) {
    TestOperation::Script script;
    script.throwOnTextItem = true;
    script.throwOnDescription = true;
    OperationCatalog catalog;
    catalog.regular = {MakeFactory(script)};
    CGarnothApp failing(catalog);
    ASSERT_TRUE(failing.InitInstance());

    auto buffer = Filled();
    EXPECT_FALSE(host_api::GetText(failing, 0, 0, buffer.data(), 8));
    EXPECT_EQ(std::string(buffer.data(), 9), std::string(8, '\0') + "#");
    buffer = Filled();
    EXPECT_FALSE(host_api::GetDescription(failing, 0, buffer.data(), 8));
    EXPECT_EQ(std::string(buffer.data(), 9), std::string(8, '\0') + "#");
}

TEST_F(HostInterfaceTest, PagesAreNeverOffered) {
    for (const std::int32_t index : {-1, 0, 1, 2, 3}) {
        EXPECT_EQ(host_api::GetNumberOfPages(app_, index), 0) << index;
        for (const std::int32_t page : {-1, 0, 1}) {
            EXPECT_EQ(host_api::GetPage(app_, index, page), nullptr) << index << "/" << page;
        }
    }
    // An operation whose page slots are filled: only the operation and page indices in range
    // reach a page.
    OperationCatalog catalog;
    TestOperation::Script paged;
    paged.pageCount = 2;
    paged.fillPages = true;
    catalog.regular.push_back(MakeFactory(paged));
    CGarnothApp app(catalog);
    ASSERT_TRUE(app.InitInstance());
    EXPECT_EQ(host_api::GetNumberOfPages(app, 0), 2);
    for (const std::int32_t page : {-1, 0, 1, 2}) {
        void* const expected = page == 0 || page == 1
                                   ? TestOperation::PageToken(static_cast<std::size_t>(page))
                                   : nullptr;
        EXPECT_EQ(host_api::GetPage(app, 0, page), expected) << page;
        EXPECT_EQ(host_api::GetPage(app, 1, page), nullptr) << "no operation 1, page " << page;
        EXPECT_EQ(host_api::GetPage(app, -1, page), nullptr) << "no operation -1, page " << page;
    }
}

TEST_F(HostInterfaceTest, DoOperationRunsOnlyValidRequestsAndAlwaysPostsDone) {
    struct Case {
        const char* legend;
        std::int32_t port;
        std::int32_t index;
        bool runs;
    };
    const Case cases[] = {
        {"port 0", 0, 0, false},          {"negative port", -1, 0, false},
        {"port 1025", 1025, 0, false},    {"lowest port", 1, 0, true},
        {"highest port", 1024, 2, true},  {"index equal to the count", 5, 3, false},
        {"negative index", 5, -1, false},
    };
    for (const Case& c : cases) {
        ui.posted.clear();
        const int runsBefore = TotalRuns();
        const OperationContext context = Context(c.port, c.index);
        EXPECT_EQ(host_api::DoOperation(app_, &context), c.runs ? 1 : 0) << c.legend;
        EXPECT_EQ(TotalRuns() - runsBefore, c.runs ? 1 : 0) << c.legend;
        ASSERT_EQ(ui.posted.size(), 1U) << c.legend;
        EXPECT_EQ(ui.posted[0].message, 0x5F7U) << c.legend;
        EXPECT_EQ(ui.posted[0].window, testing_support::TestWindow()) << c.legend;
        EXPECT_EQ(ui.posted[0].lParam, 0) << c.legend;
    }
}

TEST_F(HostInterfaceTest, DoOperationPassesTheRunResultAndTheContext) {
    for (const std::uint8_t result : {std::uint8_t{0}, std::uint8_t{1}}) {
        runResult = result;
        const OperationContext context = Context(7, 1);
        EXPECT_EQ(host_api::DoOperation(app_, &context), result);
    }
    EXPECT_EQ(made[1]->lastContext.portNumber, 7);
    EXPECT_EQ(made[1]->lastContext.operationIndex, 1);
}

TEST_F(HostInterfaceTest, NullContextRunsNothingAndPostsNothing) {
    EXPECT_EQ(host_api::DoOperation(app_, nullptr), 0);
    EXPECT_EQ(TotalRuns(), 0);
    EXPECT_TRUE(ui.posted.empty());
}

TEST_F(HostInterfaceTest, ForeignExceptionFromARunStaysInsideThePlugIn) {
    TestOperation::Script script;
    script.run = [](const OperationContext&) -> std::uint8_t { throw std::runtime_error("x"); };
    OperationCatalog catalog;
    catalog.regular = {MakeFactory(script)};
    CGarnothApp app(catalog);
    ASSERT_TRUE(app.InitInstance());
    const OperationContext context = Context(3, 0);
    EXPECT_EQ(host_api::DoOperation(app, &context), 0);
    EXPECT_EQ(ui.posted.size(), 1U) << "the host is still told the run is over";
}

TEST_F(HostInterfaceTest, FixedAnswers) {
    EXPECT_EQ(host_api::GetNumberOperations(app_), 3);
    host_api::SetControlAltState(1);
    EXPECT_EQ(host_api::GetNumberOperations(app_), 3) << "the list was fixed at load";
    EXPECT_TRUE(host_api::PreInitialize(0));
    EXPECT_TRUE(host_api::PreInitialize(-7));
    EXPECT_EQ(host_api::GetBitmapID(), 129);

    auto buffer = Filled();
    EXPECT_TRUE(host_api::GetVersionInfo(buffer.data(), 8));
    EXPECT_EQ(std::string(buffer.data(), 9), std::string("4.86b0\0\0#", 9));
    buffer = Filled();
    EXPECT_TRUE(host_api::GetVersionInfo(buffer.data(), 6));
    EXPECT_EQ(std::string(buffer.data(), 7), "4.86b0#");
    EXPECT_FALSE(host_api::GetVersionInfo(nullptr, 8));
}

// Records which module's resources were current while the host called in.
class ModuleProbe : public TestOperation {
  public:
    ModuleProbe() : TestOperation({}) {}
    const std::string& GetName() const override {
        seen.push_back(platform::ResourceModule());
        return TestOperation::GetName();
    }
    bool GetTextItem(int item, char* buffer, std::size_t size) const override {
        seen.push_back(platform::ResourceModule());
        if (item == 0) {
            throw TestFailure("even on the failure path");
        }
        return TestOperation::GetTextItem(item, buffer, size);
    }
    std::uint8_t Run(const OperationContext&) override {
        seen.push_back(platform::ResourceModule());
        return 1;
    }
    mutable std::vector<void*> seen;
};

TEST_F(HostInterfaceTest, ExportsUseThePlugInsResourcesAndRestoreTheCallers) {
    int own = 0;
    int callers = 0;
    ModuleProbe* probe = nullptr;
    OperationCatalog catalog;
    catalog.regular = {[&probe]() -> std::unique_ptr<COperation> {
        auto operation = std::make_unique<ModuleProbe>();
        probe = operation.get();
        return operation;
    }};
    CGarnothApp app(catalog);
    ASSERT_TRUE(app.InitInstance());
    platform::SetOwnModule(&own);
    platform::SetResourceModule(&callers);

    std::array<char, 32> buffer{};
    host_api::GetOperation(app, 0, buffer.data(), 32);
    EXPECT_EQ(platform::ResourceModule(), &callers);
    host_api::GetText(app, 0, 0, buffer.data(), 32);  // throws inside
    EXPECT_EQ(platform::ResourceModule(), &callers);
    const OperationContext context = Context(1, 0);
    host_api::DoOperation(app, &context);
    EXPECT_EQ(platform::ResourceModule(), &callers);

    EXPECT_EQ(probe->seen, (std::vector<void*>{&own, &own, &own, &own}))
        << "name, failing text, run, success text";
    platform::SetOwnModule(nullptr);
}

}  // namespace
