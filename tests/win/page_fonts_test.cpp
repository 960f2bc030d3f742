// The own browser's fonts: made once per DPI, dropped for another, kept by whoever still holds them.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>

#include "web/page_fonts_win.h"

namespace ferrik {
namespace {

LOGFONTW FontOf(HFONT font) {
    LOGFONTW lf{};
    GetObjectW(font, sizeof lf, &lf);
    return lf;
}

TEST(PageFonts, SizesWeightsAndUnderlineInProportionToTheDpi) {
    const PageFonts fonts(144);
    struct Case {
        FontRole role;
        bool underline;
        LONG height;
        LONG weight;
    };
    for (const Case& c : {Case{FontRole::Normal, false, -21, FW_NORMAL}, Case{FontRole::Normal, true, -21, FW_NORMAL},
                          Case{FontRole::Bold, false, -21, FW_BOLD}, Case{FontRole::Title, true, -30, FW_BOLD}}) {
        const LOGFONTW lf = FontOf(fonts.Get(c.role, c.underline));
        EXPECT_EQ(lf.lfHeight, c.height) << static_cast<int>(c.role);
        EXPECT_EQ(lf.lfWeight, c.weight) << static_cast<int>(c.role);
        EXPECT_EQ(lf.lfUnderline != 0, c.underline) << static_cast<int>(c.role);
        EXPECT_STREQ(lf.lfFaceName, L"宋体");
    }
}

TEST(PageFonts, CacheMakesOneSetPerDpiAndAHolderKeepsTheOldOne) {
    PageFontCache cache;
    const std::shared_ptr<const PageFonts> at96 = cache.For(96);
    EXPECT_EQ(cache.For(96), at96);
    const int line96 = cache.LineHeight(96);
    EXPECT_EQ(cache.For(96), at96);
    EXPECT_GT(line96, 14);
    const std::shared_ptr<const PageFonts> at192 = cache.For(192);
    EXPECT_NE(at192, at96);
    EXPECT_EQ(FontOf(at192->Get(FontRole::Normal, false)).lfHeight, -28);
    EXPECT_GT(cache.LineHeight(192), line96);
    // A layout that started at 96 DPI still measures with its own set.
    EXPECT_EQ(FontOf(at96->Get(FontRole::Normal, false)).lfHeight, -14);
    EXPECT_EQ(cache.LineHeight(96), line96);
    EXPECT_NE(cache.For(96), at96);
}

}  // namespace
}  // namespace ferrik
