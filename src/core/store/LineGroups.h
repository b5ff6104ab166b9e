#pragma once
#include "WarehouseScope.h"
#include "text/TextOrder.h"

#include <algorithm>
#include <cstdint>
#include <deque>
#include <functional>
#include <limits>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

// Building blocks of the reports that group bill lines of a date range: the statistics of the
// report window and the profit report read the lines the same way and group them the same way.

// a + b, held at the int64 bounds instead of wrapping.
inline int64_t SaturatingAdd(int64_t a, int64_t b) {
    int64_t sum;
    if (!__builtin_add_overflow(a, b, &sum))
        return sum;
    return b > 0 ? std::numeric_limits<int64_t>::max() : std::numeric_limits<int64_t>::min();
}

// The statement that reads `columns` of the lines of `table` whose ISO Bill_Date lies between
// the two bound dates, both included, in the operator's warehouse scope, in posting order unless
// the caller's sums do not depend on it (a server then sends them as its date index finds them,
// without sorting tens of thousands of rows first); `values` gets the dates and the scope's names.
inline std::string LinesStatement(const char* table, const char* columns, const std::string& from,
                                  const std::string& to, SqlValues& values,
                                  bool inPostingOrder = true) {
    values = {from, to};
    std::string sql =
        std::string("select ") + columns + " from " + table + " where Bill_Date between ? and ?";
    AddWarehouseScope(sql, values, "Warehouse", true);
    return inPostingOrder ? sql + " order by Id" : sql;
}

// The places of the groups of a report by their key texts, which the caller keeps where they
// stay (a deque's elements): an open-addressed table of places and hashes, doubled when half
// full. Tens of thousands of groups found by each of as many rows cost a third of what a hash
// map of strings costs, which allocates a node and a copy of the key for each group.
class CKeyPlaces {
public:
    static constexpr size_t kNone = SIZE_MAX;

    // The place of `key` (`keyAt(place)` the key at a place), or kNone.
    template <class KeyAt> size_t Find(std::string_view key, const KeyAt& keyAt) const {
        if (m_slots.empty())
            return kNone;
        const size_t hash = std::hash<std::string_view>()(key);
        for (size_t s = hash & m_mask;; s = (s + 1) & m_mask) {
            const Slot& slot = m_slots[s];
            if (slot.place == kEmpty)
                return kNone;
            if (slot.hash == static_cast<uint32_t>(hash) && keyAt(slot.place) == key)
                return slot.place;
        }
    }
    // A key not in the table yet.
    void Add(std::string_view key, size_t place) {
        if (2 * (m_count + 1) > m_slots.size())
            Grow();
        Put(static_cast<uint32_t>(std::hash<std::string_view>()(key)),
            static_cast<uint32_t>(place));
        ++m_count;
    }

private:
    struct Slot {
        uint32_t place, hash;
    };
    static constexpr uint32_t kEmpty = UINT32_MAX;

    void Put(uint32_t hash, uint32_t place) {
        size_t s = hash & m_mask;
        while (m_slots[s].place != kEmpty)
            s = (s + 1) & m_mask;
        m_slots[s] = {place, hash};
    }
    void Grow() {
        std::vector<Slot> old = std::move(m_slots);
        const size_t size = std::max<size_t>(64, 2 * old.size());
        m_slots.assign(size, Slot{kEmpty, 0});
        m_mask = size - 1;
        for (const Slot& slot : old)
            if (slot.place != kEmpty)
                Put(slot.hash, slot.place);
    }

    std::vector<Slot> m_slots;
    size_t m_mask = 0, m_count = 0;
};

// A report's groups by their keys: kept in a deque, which never moves them as it grows (tens of
// thousands of groups of a dozen texts each), and found through a CKeyPlaces. `KeyOf` gives a
// group's key text: a stateless callable, Group& -> std::string&.
template <class Group, class KeyOf> class CKeyedGroups {
public:
    // The group of `key`, made with that key when there is none yet.
    Group& operator[](std::string_view key) {
        size_t at =
            m_places.Find(key, [&](size_t i) -> std::string_view { return KeyOf()(m_groups[i]); });
        if (at == CKeyPlaces::kNone) {
            at = m_groups.size();
            KeyOf()(m_groups.emplace_back()) = key;
            m_places.Add(key, at);
        }
        return m_groups[at];
    }
    size_t Size() const { return m_groups.size(); }
    Group& At(size_t i) { return m_groups[i]; }

private:
    std::deque<Group> m_groups;
    CKeyPlaces m_places;
};

// What a grouping report says when its read failed.
inline constexpr const char* kLinesReadFailure = "SQL 语句执行失败！";

// The positions 0 .. count-1 in the text order of their keys (`keyOf(i)`), the order every
// grouping report lists its groups in (sorting by precomputed keys costs one conversion per
// group).
template <class KeyOf> std::vector<size_t> TextOrderOf(size_t count, KeyOf keyOf) {
    std::vector<std::pair<std::string, size_t>> order;
    order.reserve(count);
    for (size_t i = 0; i < count; ++i)
        order.emplace_back(TextOrderKey(keyOf(i)), i);
    std::sort(order.begin(), order.end(), [&](const auto& a, const auto& b) {
        if (a.first != b.first)
            return a.first < b.first;
        // Texts that map to the same bytes (invalid UTF-8) still get a fixed order.
        return keyOf(a.second) < keyOf(b.second);
    });
    std::vector<size_t> positions;
    positions.reserve(count);
    for (const auto& o : order)
        positions.push_back(o.second);
    return positions;
}

// Groups keyed by their exact text, kept in the order they were first seen, then put in text
// order once at the end.
template <class Group> class CGrouping {
public:
    Group* Find(const std::string& key) {
        auto it = m_index.find(key);
        return it == m_index.end() ? nullptr : &m_groups[it->second].second;
    }
    Group& Add(const std::string& key, Group group) {
        m_index.emplace(key, m_groups.size());
        m_groups.emplace_back(key, std::move(group));
        return m_groups.back().second;
    }
    std::vector<Group> InTextOrder() {
        const std::vector<size_t> order = TextOrderOf(
            m_groups.size(), [&](size_t i) -> const std::string& { return m_groups[i].first; });
        std::vector<Group> out;
        out.reserve(order.size());
        for (size_t i : order)
            out.push_back(std::move(m_groups[i].second));
        return out;
    }

private:
    std::unordered_map<std::string, size_t> m_index;
    std::vector<std::pair<std::string, Group>> m_groups;
};
