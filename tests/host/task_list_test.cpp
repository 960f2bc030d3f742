#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "tasks/task_list.h"

namespace ferrik {
namespace {

class Recorder : public TaskListObserver {
public:
    void OnRowAdded(std::size_t i) override { events.push_back("add " + std::to_string(i)); }
    void OnRowsCleared() override { events.push_back("clear"); }
    void OnRowChanged(std::size_t i) override { events.push_back("change " + std::to_string(i)); }
    void OnHeaderChanged(TextView h) override { headers.emplace_back(h); }
    std::vector<std::string> events;
    std::vector<Text> headers;
};

TEST(TaskList, DuplicateKeyAddsNothingButHeaderStillCounts) {
    TaskList list;
    Recorder rec;
    list.SetObserver(&rec);
    EXPECT_TRUE(list.AddTask(u"Film 01.rmvb", u"qvod://1|A|Film 01.rmvb|", u"SS0", u"", u"qvod://1|A|Film 01.rmvb|"));
    EXPECT_FALSE(list.AddTask(u"other", u"x", u"SS1", u"", u"qvod://1|A|Film 01.rmvb|"));
    ASSERT_EQ(list.Count(), 1u);
    EXPECT_EQ(list.At(0).name, u"Film 01.rmvb");
    EXPECT_EQ(list.At(0).engine, u"SS0");
    EXPECT_FALSE(list.At(0).checked);
    EXPECT_TRUE(list.At(0).status.empty());
    EXPECT_EQ(rec.events, std::vector<std::string>{"add 0"});
    EXPECT_EQ(rec.headers, (std::vector<Text>{u"名称(1)", u"名称(1)"}));
}

TEST(TaskList, HeaderCountsOnceFilledOrClearedAndClearFreesKeys) {
    TaskList list;
    Recorder rec;
    list.SetObserver(&rec);
    EXPECT_EQ(list.Header(), u"名称");  // the design-time text until the list is first filled or cleared
    list.ClearTasks();
    EXPECT_EQ(rec.headers.back(), u"名称(0)");
    list.AddTask(u"a", u"k", u"SS0", u"", u"k");
    list.ClearTasks();
    EXPECT_EQ(list.Count(), 0u);
    EXPECT_TRUE(list.AddTask(u"a", u"k", u"SS0", u"", u"k"));  // the key is free again
    EXPECT_EQ(list.Header(), u"名称(1)");
}

TEST(TaskList, CheckOperations) {
    TaskList list;
    for (Text k : {u"1", u"2", u"3"}) list.AddTask(k, k, u"SS0", u"", k);
    list.SetChecked(0, true);
    list.SetChecked(2, true);
    list.InvertChecks();
    EXPECT_FALSE(list.At(0).checked);
    EXPECT_TRUE(list.At(1).checked);
    EXPECT_FALSE(list.At(2).checked);
    list.CheckAll();
    for (std::size_t i = 0; i < 3; ++i) EXPECT_TRUE(list.At(i).checked);
    list.UncheckAll();
    for (std::size_t i = 0; i < 3; ++i) EXPECT_FALSE(list.At(i).checked);
    EXPECT_THROW(list.SetStatus(3, u"成功"), std::out_of_range);
}

// Many keys, through every growth of the key table, a clear and a refill (the second time into a
// table sized up front, grown again halfway); keys that differ only late or share prefixes must
// stay apart. Every writer passes the address as the key, but a row whose key is not its
// address keeps that key. A row of the refill keeps nothing of the row before the clear.
TEST(TaskList, ManyKeysStayUniqueThroughGrowthAndClear) {
    TaskList list;
    std::vector<Text> keys;
    for (int i = 0; i < 5000; ++i) keys.push_back(u"qvod://" + ToText(i % 97) + u"|" + ToText(i) + u"|");
    keys.push_back(u"");
    for (int round = 0; round < 2; ++round) {
        for (std::size_t i = 0; i < keys.size(); ++i) {
            if (round == 1 && i == keys.size() / 2) list.ReserveKeys(3 * keys.size());
            EXPECT_TRUE(list.AddTask(keys[i], i % 3 == static_cast<std::size_t>(round) ? u"other" : keys[i],
                                     round == 0 ? u"SS0" : u"SS1", u"", keys[i]));
        }
        EXPECT_EQ(list.At(7).engine, round == 0 ? u"SS0" : u"SS1");
        EXPECT_EQ(list.At(7).status, u"");
        EXPECT_FALSE(list.At(7).checked);
        list.SetStatus(7, u"成功");
        list.SetChecked(7, true);
        for (const Text& k : keys) EXPECT_FALSE(list.AddTask(u"x", u"x", u"SS1", u"", k));
        ASSERT_EQ(list.Count(), keys.size());
        for (std::size_t i = 0; i < keys.size(); ++i) EXPECT_EQ(list.At(i).Key(), keys[i]);
        list.ClearTasks();
    }
}

TEST(TaskList, TakesTwoHundredThousandRowsAndKeepsThemOnceFull) {
    TaskList list;
    const auto key = [](int i) { return u"qvod://" + ToText(i) + u"|"; };
    for (int i = 0; i < 200000; ++i) ASSERT_TRUE(list.AddTask(u"n", key(i), u"SS0", u"", key(i))) << i;
    EXPECT_TRUE(list.Full());
    EXPECT_FALSE(list.AddTask(u"n", key(200000), u"SS0", u"", key(200000)));
    EXPECT_FALSE(list.AddTask(u"n", key(5), u"SS0", u"", key(5)));
    ASSERT_EQ(list.Count(), 200000u);
    EXPECT_EQ(list.At(199999).Key(), key(199999));
    EXPECT_EQ(list.Header(), u"名称(200000)");
    list.ClearTasks();
    EXPECT_FALSE(list.Full());
    EXPECT_TRUE(list.AddTask(u"n", key(200000), u"SS0", u"", key(200000)));
}

}  // namespace
}  // namespace ferrik
