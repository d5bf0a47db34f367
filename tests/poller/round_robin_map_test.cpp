#include "poller/round_robin_map.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

namespace {

using map_t = kestrin2::round_robin_map_t<int>;
using picked = map_t::picked;

void fill(map_t& map, std::initializer_list<const char*> keys) {
    int n = 0;
    for (const char* key : keys)
        map.insert(key, std::make_unique<int>(n++));
}

std::string key_at(map_t& map, map_t::iterator it) {
    return it == map.end() ? "end" : it->first;
}

std::vector<std::string> pick_keys(map_t& map, int count) {
    std::vector<std::string> keys;
    for (int i = 0; i < count; ++i) {
        map_t::iterator it;
        keys.push_back(map.pick(it) == picked::none ? "none" : it->first);
    }
    return keys;
}

TEST(PollerRoundRobinMap, CursorGoesInKeyOrderAndWrapsFromTheLastEntry) {
    map_t map;
    EXPECT_EQ(pick_keys(map, 1), std::vector<std::string>{"none"});
    fill(map, {"b", "c", "a"});
    // A cursor at end picks nothing until it is moved on.
    EXPECT_EQ(pick_keys(map, 1), std::vector<std::string>{"none"});
    map.advance_cursor();
    EXPECT_EQ(pick_keys(map, 5), (std::vector<std::string>{"a", "b", "c", "a", "b"}));
}

TEST(PollerRoundRobinMap, NewestIsPickedOnceAndLeavesTheCursorAlone) {
    map_t map;
    fill(map, {"a", "b", "c"});
    map.set_cursor(map.begin());
    map.set_newest(map.find("c"));
    map_t::iterator it;
    EXPECT_EQ(map.pick(it), picked::newest);
    EXPECT_EQ(it->first, "c");
    EXPECT_EQ(map.newest(), map.end());
    EXPECT_EQ(map.pick(it), picked::cursor);
    EXPECT_EQ(it->first, "a");
    EXPECT_EQ(key_at(map, map.cursor()), "b");
}

TEST(PollerRoundRobinMap, EraseKeepsCursorNewestAndTheCallersIteratorUsable) {
    struct row_t {
        const char* fault;
        std::initializer_list<const char*> keys;
        const char* cursor;
        const char* newest;
        const char* erased;
        const char* cursor_after;
        const char* newest_after;
        const char* iterator_after;
    };
    const row_t rows[] = {
        {"cursor_left_on_erased_entry", {"a", "b", "c"}, "b", "", "b", "c", "end", "c"},
        {"cursor_on_last_entry_not_wrapped", {"a", "b", "c"}, "c", "", "c", "a", "end", "end"},
        {"cursor_dangling_after_only_entry", {"a"}, "a", "", "a", "end", "end", "end"},
        {"newest_left_on_erased_entry", {"a", "b"}, "a", "b", "b", "a", "end", "end"},
        {"cursor_moved_by_other_erase", {"a", "b", "c"}, "c", "b", "a", "c", "b", "b"},
    };
    for (const row_t& row : rows) {
        SCOPED_TRACE(row.fault);
        map_t map;
        fill(map, row.keys);
        map.set_cursor(map.find(row.cursor));
        map.set_newest(*row.newest ? map.find(row.newest) : map.end());
        auto it = map.find(row.erased);
        map.erase(it);
        EXPECT_EQ(map.find(row.erased), map.end());
        EXPECT_EQ(key_at(map, map.cursor()), row.cursor_after);
        EXPECT_EQ(key_at(map, map.newest()), row.newest_after);
        EXPECT_EQ(key_at(map, it), row.iterator_after);
    }
}

TEST(PollerRoundRobinMap, EraseAtEndDoesNothing) {
    map_t map;
    fill(map, {"a"});
    map.set_cursor(map.begin());
    auto it = map.end();
    map.erase(it);
    EXPECT_EQ(map.size(), 1u);
    EXPECT_EQ(key_at(map, map.cursor()), "a");
}

} // namespace
