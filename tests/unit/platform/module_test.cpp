#include <gtest/gtest.h>

#include "platform/module.h"

namespace {

TEST(ModuleTest, GuardMakesOwnModuleCurrentAndRestoresTheCallersEvenWhenNested) {
    int own = 0;
    int callers = 0;
    platform::SetOwnModule(&own);
    EXPECT_EQ(platform::ResourceModule(), &own) << "attaching makes the plug-in's module current";
    platform::SetResourceModule(&callers);
    {
        platform::ModuleStateGuard outer;
        EXPECT_EQ(platform::ResourceModule(), &own);
        {
            platform::ModuleStateGuard inner;  // an export called from inside an export
            EXPECT_EQ(platform::ResourceModule(), &own);
        }
        EXPECT_EQ(platform::ResourceModule(), &own);
    }
    EXPECT_EQ(platform::ResourceModule(), &callers);
    platform::SetOwnModule(nullptr);
}

TEST(ModuleTest, SharedObjectReportsTheEmbeddedFileVersion) {
    EXPECT_EQ(platform::ReadOwnFileVersion(), std::optional<std::string>("4.86b0"));
}

}  // namespace
