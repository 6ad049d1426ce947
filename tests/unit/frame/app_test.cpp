#include <gtest/gtest.h>

#include <new>
#include <string>

#include "frame/app.h"
#include "frame/branding.h"
#include "frame/plugin_version.h"
#include "support/scripted_ui.h"
#include "support/test_operations.h"

namespace {

using testing_support::MakeFactory;
using testing_support::ScopedRegistry;
using testing_support::ScriptedUi;
using testing_support::TestOperation;

class AppTest : public ::testing::Test {
  protected:
    ~AppTest() override {
        SetBrandingVariant(0);
        SetPluginVersion("");
    }

    ScriptedUi ui;
    ScopedRegistry registry;
};

TEST_F(AppTest, InitialisationRecordsSettingsVersionVariantAndList) {
    registry.tree.SetDword("SOFTWARE\\Corvane\\Vantor", "AppVariant", 2);
    OperationCatalog catalog;
    catalog.regular = {MakeFactory({}), MakeFactory({})};
    CGarnothApp app(catalog);
    ASSERT_TRUE(app.InitInstance());
    EXPECT_EQ(app.GetRegistryKey(), "CORVANE\\Vantor");
    EXPECT_EQ(app.GetProfileName(), "LSDevice");
    EXPECT_EQ(app.GetVersion(), "4.86b0");
    EXPECT_EQ(PluginVersion(), "4.86b0") << "the error box uses the version read at load";
    EXPECT_EQ(BrandingVariant(), 2);
    EXPECT_EQ(app.Operations().Count(), 2);
}

TEST_F(AppTest, ChordIsReadAtInitialisationOnly) {
    OperationCatalog catalog;
    catalog.regular = {MakeFactory({})};
    catalog.service = MakeFactory({});
    ui.HoldKeys(true, true);
    CGarnothApp app(catalog);
    ASSERT_TRUE(app.InitInstance());
    ui.HoldKeys(false, false);
    EXPECT_EQ(app.Operations().Count(), 2) << "releasing the keys later changes nothing";
}

TEST_F(AppTest, OutOfMemoryDuringInitialisationFailsTheLoad) {
    int destroyed = 0;
    TestOperation::Script script;
    script.destroyed = &destroyed;
    OperationCatalog catalog;
    catalog.regular = {MakeFactory(script),
                       []() -> std::unique_ptr<COperation> { throw std::bad_alloc(); }};
    CGarnothApp app(catalog);
    EXPECT_FALSE(app.InitInstance());
    EXPECT_EQ(app.Operations().Count(), 0);
    EXPECT_EQ(destroyed, 1);
}

TEST_F(AppTest, ExitDestroysTheOperations) {
    int destroyed = 0;
    TestOperation::Script script;
    script.destroyed = &destroyed;
    OperationCatalog catalog;
    catalog.regular = {MakeFactory(script), MakeFactory(script), MakeFactory(script)};
    CGarnothApp app(catalog);
    ASSERT_TRUE(app.InitInstance());
    app.ExitInstance();
    EXPECT_EQ(destroyed, 3);
    EXPECT_EQ(app.Operations().Count(), 0);
}

TEST_F(AppTest, ErrorBoxServiceFormatsWithTheVersion) {
    CGarnothApp app(OperationCatalog{});
    ASSERT_TRUE(app.InitInstance());
    app.ShowErrorBox("It broke.", nullptr);
    ASSERT_EQ(ui.boxes.size(), 1U);
    EXPECT_EQ(ui.boxes[0].text, "DevVorin Version: 4.86b0\n\nIt broke.");
    EXPECT_EQ(ui.boxes[0].caption, "DevVorin");
    EXPECT_EQ(ui.boxes[0].flags, 0x10030U);
    EXPECT_EQ(ui.boxes[0].owner, nullptr);
}

}  // namespace
