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
    void OnRowsReordered(const std::vector<std::size_t>& previous) override {
        std::string e = "reorder";
        for (std::size_t i : previous) e += " " + std::to_string(i);
        events.push_back(e);
    }
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

// Four rows as an analysis and a batch leave them: name, address, status; rows 1 and 2 checked.
void FillForSorting(TaskList& list) {
    const char16_t* rows[][3] = {
        {u"第10集", u"qvod://c|", u"成功"},
        {u"第2集", u"http://b/", u""},
        {u"第02集", u"qvod://a|", u"失败"},
        {u"第1集", u"http://d/", u"成功"},
    };
    for (const auto& r : rows) {
        list.AddTask(r[0], r[1], Text(r[1]).starts_with(u"qvod") ? u"SS0" : u"SS1", u"", r[1]);
        list.SetStatus(list.Count() - 1, r[2]);
    }
    list.SetChecked(1, true);
    list.SetChecked(2, true);
}

// Each order from the same list: names as shown, where each row came from, and its check and
// status travelling with it. Rows that rank alike (第2集 and 第02集, the two 成功) keep their order.
TEST(TaskList, SortRowsPutsRowsInNaturalOrderWithTheirChecksAndStatuses) {
    using C = TaskColumn;
    struct Case {
        TaskOrder order;
        std::vector<Text> names;
        std::string reorder;
    };
    const Case cases[] = {
        {{C::Name, false}, {u"第1集", u"第2集", u"第02集", u"第10集"}, "reorder 3 1 2 0"},
        {{C::Name, true}, {u"第10集", u"第2集", u"第02集", u"第1集"}, "reorder 0 1 2 3"},
        {{C::Address, false}, {u"第2集", u"第1集", u"第02集", u"第10集"}, "reorder 1 3 2 0"},
        {{C::Engine, true}, {u"第2集", u"第1集", u"第10集", u"第02集"}, "reorder 1 3 0 2"},
        {{C::Status, false}, {u"第2集", u"第02集", u"第10集", u"第1集"}, "reorder 1 2 0 3"},  // 失 U+5931, 成 U+6210
        {{C::Status, true}, {u"第10集", u"第1集", u"第02集", u"第2集"}, "reorder 0 3 2 1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reorder);
        TaskList list;
        FillForSorting(list);
        TaskList reference;
        FillForSorting(reference);
        Recorder rec;
        list.SetObserver(&rec);
        list.SortRows(c.order);
        EXPECT_EQ(list.Order(), c.order);
        ASSERT_EQ(rec.events, std::vector<std::string>{c.reorder});
        std::vector<Text> names;
        for (std::size_t i = 0; i < list.Count(); ++i) {
            names.push_back(list.At(i).name);
            const TaskRow& before = reference.At(static_cast<std::size_t>(c.reorder[8 + 2 * i] - '0'));
            EXPECT_EQ(list.At(i).address, before.address);
            EXPECT_EQ(list.At(i).status, before.status);
            EXPECT_EQ(list.At(i).checked, before.checked);
        }
        EXPECT_EQ(names, c.names);
        // The keys follow their rows: each is still refused, and a new row goes last.
        for (std::size_t i = 0; i < reference.Count(); ++i)
            EXPECT_FALSE(list.AddTask(u"x", u"x", u"SS0", u"", reference.At(i).address));
        EXPECT_EQ(list.Order(), c.order) << "nothing was added";
        EXPECT_TRUE(list.AddTask(u"第0集", u"qvod://new|", u"SS0", u"", u"qvod://new|"));
        EXPECT_EQ(list.At(4).name, u"第0集");
        EXPECT_EQ(list.Order(), std::nullopt) << "a row added after the sort";
        EXPECT_EQ(list.Header(), u"名称(5)");
    }
}

TEST(TaskList, AClickSortsAscendingAndASecondOneOnTheSameColumnReverses) {
    using C = TaskColumn;
    struct Case {
        std::optional<TaskOrder> now;
        C clicked;
        TaskOrder next;
    };
    const Case cases[] = {
        {std::nullopt, C::Name, {C::Name, false}},
        {TaskOrder{C::Name, false}, C::Name, {C::Name, true}},
        {TaskOrder{C::Name, true}, C::Name, {C::Name, false}},
        {TaskOrder{C::Name, true}, C::Status, {C::Status, false}},
        {TaskOrder{C::Address, false}, C::Engine, {C::Engine, false}},
    };
    for (const Case& c : cases) EXPECT_EQ(OrderForClick(c.now, c.clicked), c.next) << static_cast<int>(c.clicked);
    TaskList list;
    FillForSorting(list);
    list.SortRows({C::Name, true});
    list.ClearTasks();
    EXPECT_EQ(list.Order(), std::nullopt);
}

// What an analysis does first: empty the list, or while appending keep it and count it.
TEST(TaskList, BeginFillEmptiesTheListUnlessAppending) {
    struct Case {
        bool appending;
        int rowsBefore;
        std::size_t rowsAfter;
        Text header;
    };
    const Case cases[] = {
        {false, 0, 0, u"名称(0)"},
        {false, 2, 0, u"名称(0)"},
        {true, 0, 0, u"名称(0)"},  // nothing listed yet: the count still shows
        {true, 2, 2, u"名称(2)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.appending << " " << c.rowsBefore);
        TaskList list;
        EXPECT_FALSE(list.Appending()) << "off at every start";
        for (int i = 0; i < c.rowsBefore; ++i) list.AddTask(u"n", ToText(i), u"SS0", u"", ToText(i));
        list.SetAppending(c.appending);
        Recorder rec;
        list.SetObserver(&rec);
        list.BeginFill();
        EXPECT_EQ(list.Count(), c.rowsAfter);
        EXPECT_EQ(rec.headers, std::vector<Text>{c.header});
        EXPECT_EQ(rec.events, c.appending ? std::vector<std::string>{} : std::vector<std::string>{"clear"});
        EXPECT_EQ(list.AddTask(u"n", u"1", u"SS0", u"", u"1"), c.rowsAfter == 0) << "a key still listed is skipped";
    }
}

}  // namespace
}  // namespace ferrik
