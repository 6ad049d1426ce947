#include <gtest/gtest.h>

#include <memory>
#include <new>
#include <string>
#include <vector>

#include "frame/operation_list.h"
#include "support/scripted_ui.h"
#include "support/test_operations.h"

namespace {

using testing_support::MakeFactory;
using testing_support::ScriptedUi;
using testing_support::TestOperation;

TestOperation::Script Named(const std::string& name, std::vector<std::string>* log = nullptr) {
    TestOperation::Script script;
    script.name = name;
    script.destroyLog = log;
    return script;
}

OperationCatalog FourOperations(std::vector<std::string>* log = nullptr) {
    OperationCatalog catalog;
    catalog.regular = {MakeFactory(Named("version", log)), MakeFactory(Named("configuration", log)),
                       MakeFactory(Named("error log", log))};
    catalog.service = MakeFactory(Named("wipe", log));
    return catalog;
}

TEST(OperationListTest, ServiceOperationNeedsBothCtrlAndAlt) {
    struct Case {
        const char* legend;
        bool control;
        bool alt;
        std::vector<std::string> names;
    };
    const Case cases[] = {
        {"no keys", false, false, {"version", "configuration", "error log"}},
        {"Ctrl only", true, false, {"version", "configuration", "error log"}},
        {"Alt only", false, true, {"version", "configuration", "error log"}},
        {"Ctrl and Alt", true, true, {"version", "configuration", "error log", "wipe"}},
    };
    for (const Case& c : cases) {
        ScriptedUi ui;
        ui.HoldKeys(c.control, c.alt);
        COperationList list;
        ASSERT_TRUE(BuildOperationList(list, FourOperations())) << c.legend;
        std::vector<std::string> names;
        for (std::int32_t i = 0; i < list.Count(); ++i) {
            names.push_back(list.At(i)->GetName());
        }
        EXPECT_EQ(names, c.names) << c.legend;
    }
}

TEST(OperationListTest, ChordWithoutAServiceOperationAddsNothing) {
    ScriptedUi ui;
    ui.HoldKeys(true, true);
    OperationCatalog catalog = FourOperations();
    catalog.service = nullptr;
    COperationList list;
    ASSERT_TRUE(BuildOperationList(list, catalog));
    EXPECT_EQ(list.Count(), 3);
}

TEST(OperationListTest, EmptyCatalogBuildsAnEmptyList) {
    ScriptedUi ui;
    COperationList list;
    EXPECT_TRUE(BuildOperationList(list, OperationCatalog{}));
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.At(0), nullptr);
}

TEST(OperationListTest, StorageGrowsInStepsOfSeventeen) {
    COperationList list;
    EXPECT_EQ(list.Capacity(), 0U);
    for (int i = 0; i < 35; ++i) {
        list.Append(std::make_unique<TestOperation>(TestOperation::Script{}));
        const std::size_t expected = (static_cast<std::size_t>(i) / 17 + 1) * 17;
        EXPECT_EQ(list.Capacity(), expected) << "after " << i + 1 << " entries";
    }
}

TEST(OperationListTest, IndicesOutsideTheListFindNothing) {
    COperationList list;
    list.Append(std::make_unique<TestOperation>(TestOperation::Script{}));
    for (const std::int32_t index : {-1, 1, 2, 1 << 30}) {
        EXPECT_FALSE(list.IsValidIndex(index)) << index;
        EXPECT_EQ(list.At(index), nullptr) << index;
    }
    EXPECT_NE(list.At(0), nullptr);
}

TEST(OperationListTest, DestroyDeletesEveryEntryFromIndexZeroUpward) {
    std::vector<std::string> log;
    {
        ScriptedUi ui;
        ui.HoldKeys(true, true);
        COperationList list;
        ASSERT_TRUE(BuildOperationList(list, FourOperations(&log)));
        list.Destroy();
        EXPECT_EQ(list.Count(), 0);
        EXPECT_EQ(log, (std::vector<std::string>{"version", "configuration", "error log", "wipe"}));
    }
    EXPECT_EQ(log.size(), 4U) << "nothing is destroyed twice";
}

TEST(OperationListTest, FailedCreationDestroysWhatWasMadeAndReportsFailure) {
    struct Case {
        const char* legend;
        OperationFactory failing;
    };
    const Case cases[] = {
        {"factory returns nothing", [] { return std::unique_ptr<COperation>(); }},
        {"factory runs out of memory",
         []() -> std::unique_ptr<COperation> { throw std::bad_alloc(); }},
    };
    for (const Case& c : cases) {
        ScriptedUi ui;
        int destroyed = 0;
        TestOperation::Script script;
        script.destroyed = &destroyed;
        OperationCatalog catalog;
        catalog.regular = {MakeFactory(script), MakeFactory(script), c.failing};
        COperationList list;
        EXPECT_FALSE(BuildOperationList(list, catalog)) << c.legend;
        EXPECT_EQ(list.Count(), 0) << c.legend;
        EXPECT_EQ(destroyed, 2) << c.legend;
    }
}

TEST(OperationListTest, RebuildingReplacesTheOldEntries) {
    ScriptedUi ui;
    int destroyed = 0;
    TestOperation::Script script;
    script.destroyed = &destroyed;
    OperationCatalog catalog;
    catalog.regular = {MakeFactory(script)};
    COperationList list;
    ASSERT_TRUE(BuildOperationList(list, catalog));
    ASSERT_TRUE(BuildOperationList(list, catalog));
    EXPECT_EQ(list.Count(), 1);
    EXPECT_EQ(destroyed, 1);
}

}  // namespace
