#include <gtest/gtest.h>

#include "frame/branding.h"

namespace {

class BrandingTest : public ::testing::Test {
  protected:
    ~BrandingTest() override { SetBrandingVariant(0); }
};

TEST_F(BrandingTest, EachVariantReplacesOnlyItsName) {
    const std::string text = "Vantor found a Corvane product; Vantor again.";
    struct Case {
        int variant;
        const char* expected;
        bool replaced;
    };
    const Case cases[] = {
        {0, "Vantor found a Corvane product; Vantor again.", false},
        {1, "Brackfell found a Corvane product; Brackfell again.", true},
        {2, "Vantor found a Orrick product; Vantor again.", true},
        {3, "Vantor found a Corvane product; Vantor again.", false},  // unknown: variant 0
    };
    for (const Case& c : cases) {
        SetBrandingVariant(c.variant);
        std::string copy = text;
        EXPECT_EQ(ApplyBrandingVariant(copy), c.replaced) << "variant " << c.variant;
        EXPECT_EQ(copy, c.expected) << "variant " << c.variant;
    }
}

TEST_F(BrandingTest, TextWithoutTheNameIsUnchangedAndReportsFalse) {
    SetBrandingVariant(2);
    std::string text = "No maker named here (corvane in lower case).";
    EXPECT_FALSE(ApplyBrandingVariant(text));
    EXPECT_EQ(text, "No maker named here (corvane in lower case).");
}

}  // namespace
