#include <gtest/gtest.h>

#include <set>
#include <string>

#include "device/product_table.h"

namespace {

TEST(ProductTable, HoldsNinetyThreeRowsWithUniqueCodesAndNames) {
    const auto table = ProductTable();
    ASSERT_EQ(table.size(), 93u);
    EXPECT_EQ(table[0].code, 0);
    EXPECT_STREQ(table[0].name, "UNKOWN");
    std::set<unsigned> codes;
    std::set<std::string> names;
    for (const ProductModel& model : table) {
        ASSERT_NE(model.name, nullptr);
        ASSERT_NE(model.monitorName, nullptr);
        ASSERT_NE(model.description, nullptr);
        EXPECT_TRUE(codes.insert(model.code).second) << "duplicate code " << model.code;
        EXPECT_TRUE(names.insert(model.name).second) << "duplicate name " << model.name;
        EXPECT_EQ(std::string(model.monitorName), std::string(model.name) + "-MONITOR");
    }
}

TEST(ProductTable, CodesThatChangeTheConnectWaitsAreListed) {
    // legend: code -> model that must carry it
    struct Case {
        int code;
        const char* name;
    };
    const Case cases[] = {{100, "Tarrow"}, {153, "Benlow"}, {76, "Kessick"}};
    for (const Case& c : cases) {
        EXPECT_EQ(GetProductCode(c.name), c.code) << c.name;
    }
    for (int code : {100, 101, 137, 153, 239, 242, 243, 76}) {
        EXPECT_EQ(FindProductModel(static_cast<std::uint32_t>(code)).code, code) << code;
    }
}

TEST(ProductTable, LookupsAreExactAndCaseSensitive) {
    // legend: name, expected code
    struct Case {
        const char* name;
        int code;
    };
    const Case cases[] = {
        {"Tarrow", 100},       {"tarrow", 0}, {"Tarrow ", 0},         {" Tarrow", 0},
        {"Tarrow-MONITOR", 0}, {"", 0},       {"Orrick Receiver", 0}, {"Tarrow Base", 101},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(GetProductCode(c.name), c.code) << '"' << c.name << '"';
    }
    EXPECT_STREQ(FindProductModel(9999).name, "UNKOWN");
    EXPECT_STREQ(FindProductModel(0x10000 + 100).name, "UNKOWN");
}

TEST(ProductChecks, TellApplicationFromMonitor) {
    // legend: name, application?, monitor?
    struct Case {
        const char* name;
        bool application;
        bool monitor;
    };
    const Case cases[] = {
        {"Orrick Receiver", true, false},  // string 213
        {"Vorin-MONITOR", false, true},    // string 215
        {"Tarrow", true, false},           {"Benlow", true, false},
        {"Tarrow-MONITOR", false, true},   {"Benlow-MONITOR", false, true},
        {"TARROW", false, false},          {"benlow-monitor", false, false},
        {"Tarrow-MONITOR ", false, false}, {"Unlisted-7", false, false},
        {"NoSuchProduct", false, false},   {"", false, false},
        {"Ashby", false, false},  // a retired model: in the table but not serviced
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IsApplicationProduct(c.name), c.application) << c.name;
        EXPECT_EQ(IsMonitorProduct(c.name), c.monitor) << c.name;
    }
}

TEST(ProductChecks, EveryApplicationModelHasItsMonitorTwin) {
    const auto application = ApplicationModelNames();
    const auto monitor = MonitorModelNames();
    EXPECT_GE(application.size(), 45u);
    EXPECT_GE(monitor.size(), 45u);
    for (const char* name : application) {
        const std::string twin = std::string(name) + "-MONITOR";
        EXPECT_TRUE(IsMonitorProduct(twin)) << twin;
        EXPECT_FALSE(IsMonitorProduct(name)) << name;
    }
    for (const char* name : monitor) {
        EXPECT_FALSE(IsApplicationProduct(name)) << name;
    }
}

TEST(ProductChecks, TableModelsInTheListsCarryTheirTableName) {
    // A model name in the application list is either in the product table or one of the few
    // literal names; a typo would make that model's code 0 and lose its connect wait.
    int inTable = 0;
    for (const char* name : ApplicationModelNames()) {
        if (GetProductCode(name) != 0) {
            ++inTable;
        }
    }
    EXPECT_GE(inTable, 45);
}

}  // namespace
