#pragma once
#include "text/TextOrder.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <string>
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
// the two bound dates, both included, in posting order.
inline std::string LinesStatement(const char* table, const char* columns) {
    return std::string("select ") + columns + " from " + table +
           " where Bill_Date between ? and ? order by Id";
}

// What a grouping report says when its read failed.
inline constexpr const char* kLinesReadFailure = "SQL 语句执行失败！";

// Groups keyed by their exact text, kept in the order they were first seen, then put in text
// order once at the end (sorting by precomputed keys costs one conversion per group).
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
        std::vector<std::pair<std::string, size_t>> order;
        order.reserve(m_groups.size());
        for (size_t i = 0; i < m_groups.size(); ++i)
            order.emplace_back(TextOrderKey(m_groups[i].first), i);
        std::sort(order.begin(), order.end(), [&](const auto& a, const auto& b) {
            if (a.first != b.first)
                return a.first < b.first;
            // Texts that map to the same bytes (invalid UTF-8) still get a fixed order.
            return m_groups[a.second].first < m_groups[b.second].first;
        });
        std::vector<Group> out;
        out.reserve(order.size());
        for (const auto& o : order)
            out.push_back(std::move(m_groups[o.second].second));
        return out;
    }

private:
    std::unordered_map<std::string, size_t> m_index;
    std::vector<std::pair<std::string, Group>> m_groups;
};
