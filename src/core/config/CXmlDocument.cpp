#include "config/CXmlDocument.h"

#include "config/XmlScan.h"

#include <algorithm>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace {
// Offsets and lengths are 32-bit in the index.
constexpr size_t kMaxDocumentLength = 0xFFFFFFF0u;

std::string Entry(const char* name, size_t offset, std::string_view detailName = {},
                  std::string_view detail = {}) {
    std::string e = "<";
    e += name;
    if (!detailName.empty()) {
        e += ' ';
        e += detailName;
        e += "=\"";
        e += EscapeAttributeValue(detail);
        e += '"';
    }
    e += " offset=\"" + std::to_string(offset) + "\"/>";
    return e;
}

TagScanResult ScanWholeTag(std::string_view text, size_t nameEnd) {
    return ScanTagAttributes(text, nameEnd, [](const XmlAttributeToken&) { return true; });
}
} // namespace

CXmlDocument::CXmlDocument() {
    Parse();
}

void CXmlDocument::AddResult(const std::string& entry) {
    m_result += entry;
}

void CXmlDocument::ResetCursor() {
    m_parent = 0;
    m_current = 0;
    m_child = 0;
    m_nodeType = 0;
}

void CXmlDocument::ClearDocument() {
    m_text.clear();
    m_source = FileSource();
    m_index.Reset(0, 0);
    ResetCursor();
}

std::string_view CXmlDocument::ElementName(uint32_t i) const {
    const size_t start = m_index[i].start + 1;
    return std::string_view(m_text).substr(start, TagNameEnd(m_text, start) - start);
}

size_t CXmlDocument::StartTagLength(uint32_t i) const {
    const ElementRecord& r = m_index[i];
    if (r.startTagLength != CElementIndex::kStartTagLengthOverflow)
        return r.startTagLength;
    TagScanResult t = ScanWholeTag(m_text, TagNameEnd(m_text, r.start + 1));
    return t.tagEnd - r.start;
}

size_t CXmlDocument::EndTagLength(uint32_t i) const {
    const ElementRecord& r = m_index[i];
    if (r.endTagLength != CElementIndex::kEndTagLengthOverflow)
        return r.endTagLength;
    // An end tag holds no '<' after its own: the last one in the element starts it.
    size_t end = r.start + r.length;
    return end - m_text.rfind('<', end - 1);
}

bool CXmlDocument::Parse() {
    const std::string_view text(m_text);
    const size_t n = text.size();
    m_index.Reset(n, static_cast<size_t>(std::count(text.begin(), text.end(), '<')));
    ResetCursor();
    bool wellFormed = true;

    struct OpenElement {
        uint32_t index;
        std::string_view name;
    };
    std::vector<OpenElement> open;
    // Where each name is open on the stack, innermost last: an end tag finds the element it
    // closes in one step however deep the stack is.
    std::unordered_map<std::string_view, std::vector<size_t>> openByName;

    auto syntax = [&](const char* entry, size_t offset, const char* node = nullptr) {
        AddResult(node ? Entry(entry, offset, "node", node) : Entry(entry, offset));
        wellFormed = false;
    };
    // Ends open[keep..] with their start tags alone; what they held becomes their following
    // siblings. Outermost first, so each element moves up only once.
    auto endUnended = [&](size_t keep) {
        for (size_t k = keep; k < open.size(); ++k) {
            const uint32_t u = open[k].index;
            const size_t startTag = StartTagLength(u);
            ElementRecord& r = m_index[u];
            r.flags |= CElementIndex::kNotEnded;
            r.length = static_cast<uint32_t>(startTag);
            r.endTagLength = 0;
            m_index.LiftChildren(u);
            AddResult(Entry("unended_start_tag", r.start, "tagname", open[k].name));
            wellFormed = false;
        }
        for (size_t k = open.size(); k > keep; --k)
            openByName[open[k - 1].name].pop_back();
        open.resize(keep);
    };

    size_t pos = 0;
    while (pos < n) {
        const size_t lt = text.find('<', pos);
        if (lt == std::string_view::npos)
            break;
        if (lt + 1 >= n) {
            syntax("unterminated_tag_syntax", lt, "start_tag");
            break;
        }
        const char c = text[lt + 1];
        if (c == '!') {
            const char d = lt + 2 < n ? text[lt + 2] : '\0';
            if (d == '-') {
                if (lt + 3 < n && text[lt + 3] == '-') {
                    size_t e = text.find("-->", lt + 4);
                    if (e == std::string_view::npos) {
                        syntax("unterminated_tag_syntax", lt, "comment");
                        break;
                    }
                    pos = e + 3;
                } else {
                    syntax("comment_tag_syntax", lt);
                    pos = lt + 1;
                }
            } else if (d == '[') {
                if (text.compare(lt + 3, 6, "CDATA[") == 0) {
                    size_t e = text.find("]]>", lt + 9);
                    if (e == std::string_view::npos) {
                        syntax("unterminated_tag_syntax", lt, "cdata_section");
                        break;
                    }
                    pos = e + 3;
                } else {
                    syntax("cdata_section_syntax", lt);
                    pos = lt + 1;
                }
            } else if (d == 'D') {
                if (text.compare(lt + 2, 7, "DOCTYPE") != 0) {
                    syntax("doctype_tag_syntax", lt);
                    pos = lt + 1;
                    continue;
                }
                bool cut = false;
                const size_t end = DoctypeEnd(text, lt, &cut);
                if (end == std::string_view::npos) {
                    syntax("unterminated_tag_syntax", lt, "document_type");
                    break;
                }
                if (cut) // not allowed outside the subset: the declaration ends before it
                    syntax("doctype_tag_syntax", end);
                pos = end;
            } else {
                syntax("exclamation_tag_syntax", lt);
                pos = lt + 1;
            }
        } else if (c == '?') {
            size_t e = text.find("?>", lt + 2);
            if (e == std::string_view::npos) {
                syntax("unterminated_tag_syntax", lt, "processing_instruction");
                break;
            }
            pos = e + 2;
        } else if (c == '/') {
            const size_t nameEnd = TagNameEnd(text, lt + 2);
            const size_t gt = text.find_first_of("<>", nameEnd);
            if (gt == std::string_view::npos) {
                syntax("unterminated_tag_syntax", lt, "end_tag");
                break;
            }
            if (text[gt] == '<') {
                syntax("unterminated_tag_syntax", lt, "end_tag");
                pos = gt;
                continue;
            }
            const std::string_view name = text.substr(lt + 2, nameEnd - lt - 2);
            auto it = openByName.find(name);
            if (it == openByName.end() || it->second.empty()) {
                AddResult(Entry("lone_end_tag", lt, "tagname", name));
                wellFormed = false;
            } else {
                const size_t k = it->second.back();
                endUnended(k + 1);
                const uint32_t e = open[k].index;
                ElementRecord& r = m_index[e];
                r.length = static_cast<uint32_t>(gt + 1 - r.start);
                CElementIndex::SetEndTagLength(r, gt + 1 - lt);
                it->second.pop_back();
                open.pop_back();
            }
            pos = gt + 1;
        } else if (CanStartTagName(c)) {
            const size_t nameEnd = TagNameEnd(text, lt + 1);
            const TagScanResult t = ScanWholeTag(text, nameEnd);
            if (t.end != TagScanEnd::Closed) {
                syntax("unterminated_tag_syntax", lt, "start_tag");
                if (t.end == TagScanEnd::Unterminated)
                    break;
                pos = t.tagEnd; // go on at the '<' that broke the tag
                continue;
            }
            const uint32_t i = m_index.Allocate();
            ElementRecord& r = m_index[i];
            r.start = static_cast<uint32_t>(lt);
            CElementIndex::SetStartTagLength(r, t.tagEnd - lt);
            m_index.AppendChild(open.empty() ? 0 : open.back().index, i);
            if (t.empty) {
                r.flags |= CElementIndex::kEmptyElement;
                r.length = static_cast<uint32_t>(t.tagEnd - lt);
            } else {
                const std::string_view name = text.substr(lt + 1, nameEnd - lt - 1);
                openByName[name].push_back(open.size());
                open.push_back({i, name});
            }
            pos = t.tagEnd;
        } else {
            syntax("first_tag_syntax", lt);
            pos = lt + 1;
        }
    }
    endUnended(0);

    const uint32_t root = m_index[0].firstChild;
    if (!root) {
        AddResult(Entry("no_root_element", n));
        wellFormed = false;
    } else if (m_index[root].next) {
        AddResult(Entry("root_has_sibling", m_index[m_index[root].next].start));
        wellFormed = false;
    }
    ResetCursor();
    return wellFormed;
}

bool CXmlDocument::SetDocumentText(std::string text, int flags) {
    m_result.clear();
    m_flags = flags;
    m_source = FileSource();
    if (text.size() > kMaxDocumentLength) {
        ClearDocument();
        AddResult("<file_error msg=\"document too large\"/>");
        return false;
    }
    m_text = std::move(text);
    return Parse();
}

bool CXmlDocument::Load(const std::filesystem::path& path) {
    ClearDocument();
    std::string text;
    if (!ReadFile(path, text, &m_source, &m_result, &m_flags)) {
        ClearDocument();
        return false;
    }
    return TakeReadText(std::move(text));
}

bool CXmlDocument::LoadBytes(std::string bytes) {
    ClearDocument();
    m_result.clear();
    std::string text;
    DecodeBytes(std::move(bytes), text, m_source, m_result, m_flags);
    return TakeReadText(std::move(text));
}

bool CXmlDocument::TakeReadText(std::string text) {
    if (text.size() > kMaxDocumentLength) {
        ClearDocument();
        AddResult("<file_error msg=\"document too large\"/>");
        return false;
    }
    m_text = std::move(text);
    return Parse();
}

bool CXmlDocument::Save(const std::filesystem::path& path) {
    m_refusal.clear();
    return WriteFile(path, m_text, &m_source, &m_result, &m_flags, &m_refusal);
}

bool CXmlDocument::SaveBytes(std::string& bytes) {
    m_refusal.clear();
    m_result.clear();
    std::string encoded, encoding;
    if (!EncodeText(m_text, &m_source, m_flags, encoded, encoding, m_result, m_refusal))
        return false;
    bytes = std::move(encoded);
    return true;
}

bool CXmlDocument::FindElement(const std::string& name) {
    uint32_t i = m_current ? m_index[m_current].next : m_index[m_parent].firstChild;
    for (; i; i = m_index[i].next) {
        if (ElementName(i) == name) {
            m_current = i;
            m_child = 0;
            m_nodeType = 1;
            return true;
        }
    }
    return false;
}

bool CXmlDocument::EnterElement() {
    if (!m_current)
        return false;
    m_parent = m_current;
    m_current = m_child;
    m_child = 0;
    m_nodeType = m_current ? 1 : 0;
    return true;
}

bool CXmlDocument::LeaveElement() {
    if (!m_parent)
        return false;
    m_child = m_current;
    m_current = m_parent;
    m_parent = m_index[m_parent].parent;
    m_nodeType = 1;
    return true;
}

std::string CXmlDocument::GetAttribute(const std::string& name) const {
    if (!m_current)
        return {};
    const std::string_view text(m_text);
    std::string value;
    ScanTagAttributes(
        text, TagNameEnd(text, m_index[m_current].start + 1), [&](const XmlAttributeToken& a) {
            if (text.substr(a.nameStart, a.nameEnd - a.nameStart) != name)
                return true;
            value = DecodeAttributeValue(text.substr(a.valueStart, a.valueEnd - a.valueStart));
            return false;
        });
    return value;
}

size_t CXmlDocument::ContentEnd(uint32_t parent) const {
    // The whole text for the document. An element never ended spans only its start tag and
    // what was added to it; whitespace up to that end counts as followed by a tag (as if its
    // end tag stood there), whitespace beyond it belongs to its parent.
    const ElementRecord& r = m_index[parent];
    return parent ? r.start + r.length : m_text.size();
}

bool CXmlDocument::FitsAfterGrowth(size_t growth) const {
    return m_text.size() + growth <= kMaxDocumentLength;
}

void CXmlDocument::Splice(size_t offset, size_t removeLength, const std::string& insert,
                          uint32_t owner) {
    const int64_t delta = static_cast<int64_t>(insert.size()) - static_cast<int64_t>(removeLength);
    m_text.replace(offset, removeLength, insert);
    m_index.Shift(static_cast<uint32_t>(offset + removeLength), delta);
    m_index.GrowWithAncestors(owner, delta);

    // The text as read now stands only outside the replaced range.
    const size_t end = offset + removeLength;
    std::vector<KeptRange> kept;
    kept.reserve(m_source.kept.size() + 1);
    for (KeptRange r : m_source.kept) {
        const size_t rangeEnd = r.start + r.length;
        if (rangeEnd <= offset) {
            kept.push_back(r);
        } else if (r.start >= end) {
            r.start = r.start - removeLength + insert.size();
            kept.push_back(r);
        } else {
            if (r.start < offset)
                kept.push_back({r.start, offset - r.start, r.readStart});
            if (rangeEnd > end)
                kept.push_back(
                    {offset + insert.size(), rangeEnd - end, r.readStart + (end - r.start)});
        }
    }
    m_source.kept = std::move(kept);
}

bool CXmlDocument::AddElement(const std::string& name) {
    if (!IsWritableName(name))
        return false;
    const std::string element = "<" + name + "/>";
    std::string insert;
    size_t offset = 0, removeLength = 0, elementOffset = 0;
    bool splitParent = false;
    std::string_view parentName;
    if (m_current) {
        // Right after the current element, but past the whitespace before the next tag, so the
        // old line break stays with the old element.
        const ElementRecord& c = m_index[m_current];
        offset = c.start + c.length;
        const size_t limit = ContentEnd(m_parent);
        size_t p = offset;
        while (p < limit && IsXmlSpace(m_text[p]))
            ++p;
        if (p < limit ? m_text[p] == '<' : m_parent != 0)
            offset = p;
        insert = element + "\r\n";
    } else if (m_parent && (m_index[m_parent].flags & CElementIndex::kEmptyElement)) {
        // <item key="area"/> becomes <item key="area"> CR LF <new/> CR LF </item>
        const ElementRecord& p = m_index[m_parent];
        parentName = ElementName(m_parent);
        offset = p.start + StartTagLength(m_parent) - 2; // the '/' of "/>"
        removeLength = 1;
        insert = ">\r\n" + element + "\r\n</" + std::string(parentName);
        elementOffset = 3;
        splitParent = true;
    } else if (m_parent && EndTagLength(m_parent) > 0 &&
               m_index[m_parent].length == StartTagLength(m_parent) + EndTagLength(m_parent)) {
        offset = m_index[m_parent].start + StartTagLength(m_parent);
        insert = "\r\n" + element + "\r\n";
        elementOffset = 2;
    } else {
        offset = m_parent
                     ? m_index[m_parent].start + m_index[m_parent].length - EndTagLength(m_parent)
                     : m_text.size();
        insert = element + "\r\n";
    }
    if (!FitsAfterGrowth(insert.size()))
        return false;
    const size_t parentStartTag = splitParent ? StartTagLength(m_parent) : 0;
    const size_t parentNameLength = parentName.size();
    Splice(offset, removeLength, insert, m_parent);

    if (splitParent) {
        ElementRecord& p = m_index[m_parent];
        p.flags &= ~CElementIndex::kEmptyElement;
        CElementIndex::SetStartTagLength(p, parentStartTag - 1);
        CElementIndex::SetEndTagLength(p, parentNameLength + 3);
    }
    const uint32_t i = m_index.Allocate();
    ElementRecord& r = m_index[i];
    r.start = static_cast<uint32_t>(offset + elementOffset);
    r.length = static_cast<uint32_t>(element.size());
    CElementIndex::SetStartTagLength(r, element.size());
    r.flags |= CElementIndex::kEmptyElement;
    if (m_current)
        m_index.InsertAfter(m_current, i);
    else
        m_index.AppendChild(m_parent, i);
    m_current = i;
    m_child = 0;
    m_nodeType = 1;
    return true;
}

bool CXmlDocument::SetAttribute(const std::string& name, const std::string& value) {
    if (!m_current || !IsWritableName(name))
        return false;
    const std::string quoted = "\"" + EscapeAttributeValue(value) + "\"";
    const std::string_view text(m_text);
    const uint32_t start = m_index[m_current].start;
    bool found = false;
    XmlAttributeToken attribute;
    TagScanResult t =
        ScanTagAttributes(text, TagNameEnd(text, start + 1), [&](const XmlAttributeToken& a) {
            if (text.substr(a.nameStart, a.nameEnd - a.nameStart) != name)
                return true;
            found = true;
            attribute = a;
            return false;
        });
    size_t offset, removeLength = 0;
    std::string insert;
    if (found && attribute.hasValue) {
        offset = attribute.quoted ? attribute.valueStart - 1 : attribute.valueStart;
        removeLength = attribute.spanEnd - offset;
        insert = quoted;
    } else if (found) {
        offset = attribute.nameEnd; // an attribute written without a value
        insert = "=" + quoted;
    } else {
        offset = t.lastTokenEnd;
        insert = " " + name + "=" + quoted;
    }
    if (insert.size() > removeLength && !FitsAfterGrowth(insert.size() - removeLength))
        return false;
    const size_t startTag = StartTagLength(m_current);
    Splice(offset, removeLength, insert, m_current);
    CElementIndex::SetStartTagLength(m_index[m_current], startTag + insert.size() - removeLength);
    return true;
}

bool CXmlDocument::RemoveElement() {
    if (!m_current)
        return false;
    const ElementRecord& r = m_index[m_current];
    const size_t start = r.start;
    size_t end = start + r.length;
    // The whitespace after it goes too when a tag (or the end of the text) follows it.
    const size_t limit = ContentEnd(r.parent);
    size_t p = end;
    while (p < limit && IsXmlSpace(m_text[p]))
        ++p;
    if (p < limit ? m_text[p] == '<' : (p == m_text.size() || r.parent != 0))
        end = p;
    const uint32_t previous = (r.flags & CElementIndex::kFirstChild) ? 0 : r.prev;
    const uint32_t parent = r.parent;
    m_index.Unlink(m_current);
    m_index.FreeSubtree(m_current);
    Splice(start, end - start, std::string(), parent);
    m_current = previous;
    m_child = 0;
    m_nodeType = m_current ? 1 : 0;
    return true;
}
