#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

// One element of a document: where it lies in the text and how it links to the others.
struct ElementRecord {
    uint32_t start = 0;  // offset of its '<'
    uint32_t length = 0; // from '<' to the end of its end tag (or of its empty-element tag)
    uint32_t startTagLength : 22 = 0;
    uint32_t endTagLength : 10 = 0; // 0 for an empty-element tag or an element never ended
    uint32_t flags = 0;
    uint32_t parent = 0;
    uint32_t firstChild = 0;
    uint32_t next = 0;
    // The first child's previous link points to the last child, so the last child of any
    // element is found in one step.
    uint32_t prev = 0;
};

// The element index of a document: records in segments of 65536, addressed by a 32-bit index
// (segment in the high 16 bits, slot in the low 16). Record 0 stands for the document itself.
// Records freed by a removal go to a free list and are reused.
class CElementIndex {
public:
    enum : uint32_t {
        kFirstChild = 0x01,
        kEmptyElement = 0x02,
        kNotEnded = 0x04, // closed by an outer end tag or by the end of the text
        kFree = 0x08,
    };
    // Tag lengths that do not fit their fields are stored as these values and measured again in
    // the text when needed.
    static constexpr uint32_t kStartTagLengthOverflow = (1u << 22) - 1;
    static constexpr uint32_t kEndTagLengthOverflow = (1u << 10) - 1;

    CElementIndex() { Reset(0, 0); }

    // Clears the index to the document record alone, sized for a text of this length holding
    // this many '<' (every element starts with one, so the index never grows while parsing).
    void Reset(size_t textLength, size_t tags);
    uint32_t Allocate();
    ElementRecord& operator[](uint32_t i) { return m_segments[i >> 16][i & 0xFFFF]; }
    const ElementRecord& operator[](uint32_t i) const { return m_segments[i >> 16][i & 0xFFFF]; }
    // Records 1 .. End()-1 have been handed out (some may be free again).
    uint32_t End() const { return m_used; }
    size_t Capacity() const { return m_capacity; }
    bool IsLive(uint32_t i) const { return i < m_used && !((*this)[i].flags & kFree); }

    uint32_t LastChild(uint32_t parent) const;
    void AppendChild(uint32_t parent, uint32_t child);
    void InsertAfter(uint32_t sibling, uint32_t child);
    // Takes the element out of its parent's chain of children (its own children stay with it).
    void Unlink(uint32_t i);
    // Puts the element and every element inside it on the free list.
    void FreeSubtree(uint32_t i);
    // The element's children become its following siblings, in order.
    void LiftChildren(uint32_t i);
    // Moves every live element that starts at or after `offset` by `delta`.
    void Shift(uint32_t offset, int64_t delta);
    // Changes the length of the element and of all its ancestors, the document included.
    void GrowWithAncestors(uint32_t i, int64_t delta);

    static void SetStartTagLength(ElementRecord& r, size_t length);
    static void SetEndTagLength(ElementRecord& r, size_t length);

private:
    void Grow();

    std::vector<std::vector<ElementRecord>> m_segments;
    size_t m_capacity = 0;
    uint32_t m_used = 0;
    uint32_t m_freeHead = 0;
};
