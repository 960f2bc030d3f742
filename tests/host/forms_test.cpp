#include <gtest/gtest.h>

#include <string_view>
#include <span>
#include <vector>

#include "app/main_form.h"
#include "forms/forms.h"

namespace ferrik {
namespace {

TEST(Forms, TwipsAndPixelsAtCommonDpis) {
    struct Row {
        int twips, dpi, pixels;
    };
    const Row rows[] = {
        {1440, 96, 96},   {15, 96, 1},     {7, 96, 0},        {8, 96, 1},  // 7.5 twips/2 rounds up at the half
        {11265, 96, 751}, {8100, 96, 540}, {11265, 120, 939}, {8100, 144, 810},
        {375, 144, 38},   {-120, 96, -8},  {0, 96, 0},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(testing::Message() << r.twips << " twips at " << r.dpi);
        EXPECT_EQ(TwipsToPixels(r.twips, r.dpi), r.pixels);
    }
    EXPECT_EQ(PixelsToTwips(751, 96), 11265);
    EXPECT_EQ(PixelsToTwips(939, 120), 11268);
    EXPECT_EQ(PixelsToTwips(1, 0), 0);  // no division by zero for a broken display
}

TEST(Forms, CaptionCarriesTheVersion) {
    EXPECT_EQ(MainCaption(1, 1, 0), u"Ferrik V1.1.0");
    EXPECT_EQ(MainCaption(2, 10, 31), u"Ferrik V2.10.31");
}

TEST(Forms, ResizeFollowsTheWindowAndSkipsInvalidSizes) {
    const TwipsRect list = MainControl(kListView1).rect;
    const TwipsRect picture = MainControl(kPicture1).rect;
    struct Row {
        int width, height;
        std::optional<TwipsRect> list;
        std::optional<int> pictureWidth;
    };
    const Row rows[] = {
        {11385, 8565, TwipsRect{120, 960, 11025, 6965}, 10425},
        {20000, 12000, TwipsRect{120, 960, 19640, 10400}, 19040},
        {11385, 1600, TwipsRect{120, 960, 11025, 0}, 10425},  // zero is a valid height
        {11385, 1599, std::nullopt, 10425},                   // too low: the list keeps its size
        {359, 5000, std::nullopt, std::nullopt},              // too narrow for both
        {960, 5000, TwipsRect{120, 960, 600, 3400}, 0},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(testing::Message() << r.width << "x" << r.height);
        const MainResizeResult result = ResizeMainForm(r.width, r.height, list, picture);
        EXPECT_EQ(result.listView1, r.list);
        EXPECT_EQ(result.picture1Width, r.pictureWidth);
        EXPECT_EQ(result.command3Top, picture.top);
    }
    // The list's width counts its left edge before the move twice.
    EXPECT_EQ(ResizeMainForm(10000, 5000, TwipsRect{300, 0, 1, 1}, picture).listView1->width, 10000 - 600 - 120);
}

// The three hidden menus entry by entry, as the program's menus are described (列表操作 also
// offers 按名称选择... below its three choice entries); a separator is an empty caption.
TEST(Forms, MenusHoldTheirEntriesInOrder) {
    using C = MenuCommand;
    struct Entry {
        std::u16string_view caption;
        MenuCommand command;
        bool operator==(const Entry&) const = default;
    };
    const auto entries = [](std::span<const MenuEntry> menu) {
        std::vector<Entry> out;
        for (const MenuEntry& e : menu) out.push_back({e.caption, e.command});
        return out;
    };
    EXPECT_EQ(entries(kFileMenu), (std::vector<Entry>{{u"保存qvod列表", C::SaveList}}));
    EXPECT_EQ(entries(kAnalyseMenu),
              (std::vector<Entry>{{u"智能分析", C::SmartAnalyse},
                                  {u"", C::Separator},
                                  {u"分析Qvod集数页面", C::AnalyseEpisodePage},
                                  {u"分析网页中的Qvod地址", C::AnalyseQvodText},
                                  {u"分析网页中的Qvod地址(加密)", C::AnalyseEscapedQvodText},
                                  {u"", C::Separator},
                                  {u"停止分析", C::StopAnalysis},
                                  {u"", C::Separator},
                                  {u"追加到现有列表", C::AppendToList}}));
    EXPECT_EQ(entries(kListMenu), (std::vector<Entry>{{u"全选", C::CheckAll},
                                                       {u"全不选", C::UncheckAll},
                                                       {u"反选", C::InvertChecks},
                                                       {u"按名称选择...", C::ChooseByName},
                                                       {u"导出列表...", C::ExportList},
                                                       {u"导入列表...", C::ImportList},
                                                       {u"", C::Separator},
                                                       {u"关于本软件", C::About}}));
    // The busy state disables the four analysis entries, never 停止分析.
    EXPECT_EQ(std::vector<MenuCommand>(std::begin(kBusyMenuEntries), std::end(kBusyMenuEntries)),
              (std::vector<MenuCommand>{C::SmartAnalyse, C::AnalyseEpisodePage, C::AnalyseQvodText,
                                        C::AnalyseEscapedQvodText}));
}

}  // namespace
}  // namespace ferrik
