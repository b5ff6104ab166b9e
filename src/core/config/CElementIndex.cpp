#include "config/CElementIndex.h"

#include <algorithm>

namespace {
constexpr size_t kSegmentSize = 65536;
}

void CElementIndex::Reset(size_t textLength, size_t tags) {
    m_segments.clear();
    m_capacity = 0;
    m_used = 0;
    m_freeHead = 0;
    size_t wanted = tags + 8;
    while (m_capacity < wanted) {
        size_t take = std::min(kSegmentSize, wanted - m_capacity);
        m_segments.emplace_back(take);
        m_capacity += take;
    }
    ElementRecord& doc = (*this)[0];
    doc = ElementRecord{};
    doc.length = static_cast<uint32_t>(textLength);
    m_used = 1;
}

void CElementIndex::Grow() {
    size_t wanted = m_capacity + std::max<size_t>(m_capacity / 2, 1);
    while (m_capacity < wanted) {
        std::vector<ElementRecord>& last = m_segments.back();
        if (last.size() < kSegmentSize) {
            size_t take = std::min(kSegmentSize - last.size(), wanted - m_capacity);
            last.resize(last.size() + take);
            m_capacity += take;
        } else {
            size_t take = std::min(kSegmentSize, wanted - m_capacity);
            m_segments.emplace_back(take);
            m_capacity += take;
        }
    }
}

uint32_t CElementIndex::Allocate() {
    uint32_t i;
    if (m_freeHead) {
        i = m_freeHead;
        m_freeHead = (*this)[i].next;
    } else {
        if (m_used == m_capacity)
            Grow();
        i = m_used++;
    }
    (*this)[i] = ElementRecord{};
    return i;
}

uint32_t CElementIndex::LastChild(uint32_t parent) const {
    uint32_t first = (*this)[parent].firstChild;
    return first ? (*this)[first].prev : 0;
}

void CElementIndex::AppendChild(uint32_t parent, uint32_t child) {
    ElementRecord& c = (*this)[child];
    c.parent = parent;
    c.next = 0;
    uint32_t first = (*this)[parent].firstChild;
    if (!first) {
        (*this)[parent].firstChild = child;
        c.flags |= kFirstChild;
        c.prev = child;
        return;
    }
    c.flags &= ~kFirstChild;
    uint32_t last = (*this)[first].prev;
    (*this)[last].next = child;
    c.prev = last;
    (*this)[first].prev = child;
}

void CElementIndex::InsertAfter(uint32_t sibling, uint32_t child) {
    uint32_t parent = (*this)[sibling].parent;
    uint32_t after = (*this)[sibling].next;
    if (!after) {
        AppendChild(parent, child);
        return;
    }
    ElementRecord& c = (*this)[child];
    c.parent = parent;
    c.flags &= ~kFirstChild;
    c.prev = sibling;
    c.next = after;
    (*this)[sibling].next = child;
    (*this)[after].prev = child;
}

void CElementIndex::Unlink(uint32_t i) {
    ElementRecord& r = (*this)[i];
    ElementRecord& p = (*this)[r.parent];
    const uint32_t first = p.firstChild;
    const uint32_t last = (*this)[first].prev;
    if (i == first) {
        p.firstChild = r.next;
        if (r.next) {
            ElementRecord& n = (*this)[r.next];
            n.flags |= kFirstChild;
            n.prev = last;
        }
    } else {
        (*this)[r.prev].next = r.next;
        if (r.next)
            (*this)[r.next].prev = r.prev;
        else
            (*this)[first].prev = r.prev; // it was the last child
    }
    r.next = 0;
    r.prev = 0;
    r.flags &= ~kFirstChild;
}

void CElementIndex::FreeSubtree(uint32_t root) {
    // Iterative: a deep document must not exhaust the stack.
    std::vector<uint32_t> pending{root};
    while (!pending.empty()) {
        uint32_t i = pending.back();
        pending.pop_back();
        for (uint32_t c = (*this)[i].firstChild; c; c = (*this)[c].next)
            pending.push_back(c);
        ElementRecord& r = (*this)[i];
        r = ElementRecord{};
        r.flags = kFree;
        r.next = m_freeHead;
        m_freeHead = i;
    }
}

void CElementIndex::LiftChildren(uint32_t i) {
    ElementRecord& r = (*this)[i];
    const uint32_t first = r.firstChild;
    if (!first)
        return;
    const uint32_t last = (*this)[first].prev;
    const uint32_t parent = r.parent;
    const uint32_t after = r.next;
    for (uint32_t c = first; c; c = (*this)[c].next)
        (*this)[c].parent = parent;
    (*this)[first].flags &= ~kFirstChild;
    (*this)[first].prev = i;
    r.firstChild = 0;
    r.next = first;
    (*this)[last].next = after;
    if (after)
        (*this)[after].prev = last;
    else
        (*this)[(*this)[parent].firstChild].prev = last;
}

void CElementIndex::Shift(uint32_t offset, int64_t delta) {
    for (uint32_t i = 1; i < m_used; ++i) {
        ElementRecord& r = (*this)[i];
        if (!(r.flags & kFree) && r.start >= offset)
            r.start = static_cast<uint32_t>(r.start + delta);
    }
}

void CElementIndex::GrowWithAncestors(uint32_t i, int64_t delta) {
    for (;;) {
        ElementRecord& r = (*this)[i];
        r.length = static_cast<uint32_t>(r.length + delta);
        if (i == 0)
            return;
        i = r.parent;
    }
}

void CElementIndex::SetStartTagLength(ElementRecord& r, size_t length) {
    r.startTagLength = static_cast<uint32_t>(std::min<size_t>(length, kStartTagLengthOverflow));
}

void CElementIndex::SetEndTagLength(ElementRecord& r, size_t length) {
    r.endTagLength = static_cast<uint32_t>(std::min<size_t>(length, kEndTagLengthOverflow));
}
