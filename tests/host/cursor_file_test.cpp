#include <gtest/gtest.h>

#include <functional>

#include "controls/cursor_file.h"
#include "support/icon_file.h"

namespace ferrik {
namespace {

using test::IconFile;

// Writes a 32-bit little-endian value into a file image.
void Put32(std::vector<std::uint8_t>& f, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) f[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

// Where the first entry keeps the image's size and offset.
constexpr std::size_t kSizeAt = 14;
constexpr std::size_t kOffsetAt = 18;
constexpr std::size_t kImageSize = 40 + 16 * 16 * 4 + 16 * 4;

TEST(CursorFile, FirstImageOfIconsAndCursorsNothingOfAnythingElse) {
    struct Case {
        const char* what;
        int type;
        std::function<void(std::vector<std::uint8_t>&)> spoil;
        bool image;
    };
    const Case cases[] = {
        {"icon", 1, [](auto&) {}, true},
        {"cursor", 2, [](auto&) {}, true},
        {"empty", 1, [](auto& f) { f.clear(); }, false},
        {"header only", 1, [](auto& f) { f.resize(6); }, false},
        {"directory without its entry", 1, [](auto& f) { f.resize(21); }, false},
        {"truncated image", 1, [](auto& f) { f.pop_back(); }, false},
        {"reserved word set", 1, [](auto& f) { f[0] = 1; }, false},
        {"bitmap file", 1, [](auto& f) { f[0] = 'B', f[1] = 'M'; }, false},
        {"unknown type", 3, [](auto&) {}, false},
        {"no images", 1, [](auto& f) { f[4] = 0; }, false},
        {"offset past the end", 2, [](auto& f) { Put32(f, kOffsetAt, 0xFFFFFF16); }, false},
        {"offset at the end", 1, [](auto& f) { Put32(f, kOffsetAt, static_cast<std::uint32_t>(f.size())); }, false},
        {"size past the end", 1, [](auto& f) { Put32(f, kSizeAt, 0xFFFFFFFF); }, false},
        {"size and offset wrapping round", 1, [](auto& f) { Put32(f, kSizeAt, 0xFFFFFFF0), Put32(f, kOffsetAt, 0x20); },
         false},
        {"size below a bitmap header", 1, [](auto& f) { Put32(f, kSizeAt, 39); }, false},
    };
    for (const Case& c : cases) {
        std::vector<std::uint8_t> file = IconFile(c.type);
        c.spoil(file);
        EXPECT_EQ(CursorImageOf(file).has_value(), c.image) << c.what;
    }

    // The image's own bytes; a cursor's after its hot spot. A width or height of 0 means 256.
    const std::vector<std::uint8_t> iconFile = IconFile(1);
    const std::optional<CursorImage> icon = CursorImageOf(iconFile);
    ASSERT_TRUE(icon);
    EXPECT_TRUE(icon->icon);
    EXPECT_EQ(icon->width, 16);
    EXPECT_EQ(icon->height, 16);
    EXPECT_EQ(icon->resource, std::vector<std::uint8_t>(iconFile.begin() + 22, iconFile.end()));
    std::vector<std::uint8_t> cursorFile = IconFile(2);
    cursorFile[6] = 0;
    const std::optional<CursorImage> cursor = CursorImageOf(cursorFile);
    ASSERT_TRUE(cursor);
    EXPECT_FALSE(cursor->icon);
    EXPECT_EQ(cursor->width, 256);
    ASSERT_EQ(cursor->resource.size(), 4 + kImageSize);
    EXPECT_EQ(std::vector<std::uint8_t>(cursor->resource.begin(), cursor->resource.begin() + 4),
              (std::vector<std::uint8_t>{3, 0, 4, 0}));
}

}  // namespace
}  // namespace ferrik
