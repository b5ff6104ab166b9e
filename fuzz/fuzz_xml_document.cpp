// libFuzzer target: parse any bytes as a document, walk every element the cursor can reach,
// read attributes, and apply a few edits steered by the input, checking after each edit that
// the element index still describes the text.
#include "config/CXmlDocument.h"
#include "config/XmlScan.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {
// A broken index is a crash for the fuzzer, with the check that failed on stderr.
#define Check(condition)                                                                           \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "index check failed: %s (line %d)\n", #condition, __LINE__);      \
            __builtin_trap();                                                                      \
        }                                                                                          \
    } while (0)

// Tag and attribute names that occur in the text: what a caller would ask for.
void CollectNames(const std::string& text, std::vector<std::string>& tags,
                  std::vector<std::string>& attributes) {
    for (size_t p = text.find('<'); p != std::string::npos && tags.size() < 8;
         p = text.find('<', p + 1)) {
        if (p + 1 < text.size() && CanStartTagName(text[p + 1])) {
            std::string name = text.substr(p + 1, TagNameEnd(text, p + 1) - p - 1);
            if (std::find(tags.begin(), tags.end(), name) == tags.end())
                tags.push_back(name);
        }
    }
    attributes = {"name", "note", "key", ""};
    for (size_t p = text.find('='); p != std::string::npos && attributes.size() < 10;
         p = text.find('=', p + 1)) {
        size_t b = p;
        while (b > 0 && !IsXmlSpace(text[b - 1]) && text[b - 1] != '<' && p - b < 16)
            --b;
        attributes.push_back(text.substr(b, p - b));
    }
}

// Every live element lies inside its parent, after its previous sibling, starts with '<' and
// its name, and ends its start tag with '>'; the document record covers the text.
void CheckIndex(const CXmlDocument& doc) {
    const std::string& text = doc.DocumentText();
    const CElementIndex& index = doc.ElementIndex();
    Check(index[0].start == 0 && index[0].length == text.size());
    for (uint32_t i = 1; i < index.End(); ++i) {
        if (!index.IsLive(i))
            continue;
        const ElementRecord& r = index[i];
        const ElementRecord& p = index[r.parent];
        Check(r.start < text.size() && text[r.start] == '<');
        Check(static_cast<size_t>(r.start) + r.length <= text.size());
        Check(r.start >= p.start && r.start + r.length <= p.start + p.length);
        if (r.startTagLength != CElementIndex::kStartTagLengthOverflow) {
            Check(r.startTagLength >= 2 && r.startTagLength <= r.length);
            Check(text[r.start + r.startTagLength - 1] == '>');
        }
        if (r.endTagLength && r.endTagLength != CElementIndex::kEndTagLengthOverflow)
            Check(text.compare(r.start + r.length - r.endTagLength, 2, "</") == 0);
        if (r.next) {
            const ElementRecord& n = index[r.next];
            Check(n.parent == r.parent && n.prev == i && n.start >= r.start + r.length);
        }
        if (r.firstChild) {
            const ElementRecord& c = index[r.firstChild];
            Check(c.parent == i && (c.flags & CElementIndex::kFirstChild));
            Check(index[c.prev].next == 0);
        }
    }
}

struct Walker {
    CXmlDocument& doc;
    const std::vector<std::string>& tags;
    const std::vector<std::string>& attributes;
    size_t budget = 2000;

    void Level(int depth) {
        for (const auto& tag : tags) {
            while (budget && doc.FindElement(tag)) {
                --budget;
                for (const auto& a : attributes)
                    doc.GetAttribute(a);
                if (depth < 48 && doc.EnterElement()) {
                    Level(depth + 1);
                    Check(doc.LeaveElement());
                }
            }
        }
    }
};
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The first bytes steer the edits; the rest is the document.
    const size_t steer = std::min<size_t>(size, 4);
    std::string text(reinterpret_cast<const char*>(data) + steer, size - steer);
    CXmlDocument doc;
    doc.SetDocumentText(text);
    CheckIndex(doc);

    std::vector<std::string> tags, attributes;
    CollectNames(doc.DocumentText(), tags, attributes);
    Walker{doc, tags, attributes}.Level(0);

    // Edits: enter the root (or stay at the document level), then act as the steering bytes say.
    CXmlDocument edit;
    edit.SetDocumentText(text);
    if (!tags.empty() && edit.FindElement(tags[0]))
        edit.EnterElement();
    for (size_t i = 0; i < steer; ++i) {
        const uint8_t op = data[i];
        const std::string& tag = tags.empty() ? std::string("x") : tags[op % tags.size()];
        switch (op >> 5) {
        case 0:
            edit.FindElement(tag);
            break;
        case 1:
            edit.AddElement(tag);
            break;
        case 2:
            edit.SetAttribute("name", std::string(op & 7, '&') + "\"<v>'");
            break;
        case 3:
            edit.RemoveElement();
            break;
        case 4:
            edit.EnterElement();
            break;
        case 5:
            edit.LeaveElement();
            break;
        case 6:
            edit.SetAttribute(attributes[op % attributes.size()], "x");
            break;
        default:
            edit.AddElement("n");
            edit.SetAttribute("k", "v");
            break;
        }
        CheckIndex(edit);
    }
    // What the edits made parses again to a document whose index holds.
    CXmlDocument again;
    again.SetDocumentText(edit.DocumentText());
    CheckIndex(again);
    return 0;
}
