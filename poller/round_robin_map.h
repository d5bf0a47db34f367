#pragma once
// An ordered map of owned values with a round-robin cursor and a "newest"
// slot. The poller uses it twice: devices by address text, and the tasks of
// one device by task key.
//
// Entries are std::map nodes, so iterators kept in the cursor, in the newest
// slot or by a caller stay valid until their own entry is erased.
#include <cstddef>
#include <map>
#include <memory>
#include <string>
#include <utility>

namespace kestrin2 {

template <typename T> class round_robin_map_t {
public:
    using map_type = std::map<std::string, std::unique_ptr<T>>;
    using iterator = typename map_type::iterator;
    using const_iterator = typename map_type::const_iterator;

    // Where pick() found its entry.
    enum class picked { none, newest, cursor };

    round_robin_map_t() : cursor_(map_.end()), newest_(map_.end()) {}
    // The cursor and the newest slot point into this very map.
    round_robin_map_t(const round_robin_map_t&) = delete;
    round_robin_map_t& operator=(const round_robin_map_t&) = delete;

    iterator begin() { return map_.begin(); }
    iterator end() { return map_.end(); }
    const_iterator begin() const { return map_.begin(); }
    const_iterator end() const { return map_.end(); }
    iterator find(const std::string& key) { return map_.find(key); }
    const_iterator find(const std::string& key) const { return map_.find(key); }
    std::size_t size() const { return map_.size(); }
    bool empty() const { return map_.empty(); }

    // Stores `value` under a key not yet present; an existing entry is kept
    // and returned as it is.
    iterator insert(std::string key, std::unique_ptr<T> value) {
        return map_.emplace(std::move(key), std::move(value)).first;
    }

    iterator cursor() const { return cursor_; }
    void set_cursor(iterator it) { cursor_ = it; }
    iterator newest() const { return newest_; }
    void set_newest(iterator it) { newest_ = it; }

    // The newest entry first (once), else the cursor's entry, moving the
    // cursor on; `found` is left alone when nothing is picked.
    picked pick(iterator& found) {
        if (newest_ != map_.end()) {
            found = newest_;
            newest_ = map_.end();
            return picked::newest;
        }
        if (cursor_ == map_.end())
            return picked::none;
        found = cursor_;
        advance_cursor();
        return picked::cursor;
    }

    // To the next entry, from the last back to the first; from end to the
    // first entry (end again in an empty map).
    void advance_cursor() {
        if (cursor_ == map_.end()) {
            cursor_ = map_.begin();
            return;
        }
        ++cursor_;
        if (cursor_ == map_.end())
            cursor_ = map_.begin();
    }

    // Erases the entry `it` stands on and moves `it` to the next entry (not
    // wrapping), so a caller walking the map can go on. Nothing at end.
    void erase(iterator& it) {
        if (it == map_.end())
            return;
        if (cursor_ == it) {
            advance_cursor();
            // It was the only entry.
            if (cursor_ == it)
                cursor_ = map_.end();
        }
        if (newest_ == it)
            newest_ = map_.end();
        it = map_.erase(it);
    }

private:
    map_type map_;
    iterator cursor_;
    iterator newest_;
};

} // namespace kestrin2
