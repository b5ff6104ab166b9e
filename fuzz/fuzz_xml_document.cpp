// libFuzzer target: parse any bytes as a document, walk every element the cursor can reach,
// read attributes, and apply a few edits steered by the input, checking after each edit that
// the element index still describes the text. The same edits are then made on the bytes read
// as a file and saved: a save without edits gives the file back byte for byte, and whatever a
// save writes reads back as the document that was saved.
#include "config/CXmlDocument.h"
#include "config/XmlScan.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>
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

// One edit as a steering byte says; true when it changed the text.
bool ApplyEdit(CXmlDocument& edit, uint8_t op, const std::vector<std::string>& tags,
               const std::vector<std::string>& attributes) {
    const std::string& tag = tags.empty() ? std::string("x") : tags[op % tags.size()];
    switch (op >> 5) {
    case 0:
        edit.FindElement(tag);
        return false;
    case 1:
        return edit.AddElement(tag);
    case 2:
        // Characters no code page holds all of, so references are written for some.
        return edit.SetAttribute("name", std::string(op & 7, '&') + "\"<v>'中😀é");
    case 3:
        return edit.RemoveElement();
    case 4:
        edit.EnterElement();
        return false;
    case 5:
        edit.LeaveElement();
        return false;
    case 6:
        return edit.SetAttribute(attributes[op % attributes.size()], "x");
    default: {
        const bool added = edit.AddElement("n");
        return edit.SetAttribute("k", "v") || added;
    }
    }
}

// Element names and the values of `attributes`, depth first, for every element the cursor
// reaches: what a reader of the document sees.
void Describe(CXmlDocument& doc, const std::vector<std::string>& tags,
              const std::vector<std::string>& attributes, int depth, std::string& out) {
    for (const auto& tag : tags) {
        while (out.size() < 100000 && doc.FindElement(tag)) {
            out += std::to_string(depth) + "<" + tag + ">";
            for (const auto& a : attributes)
                out += doc.GetAttribute(a) + "|";
            if (depth < 48 && doc.EnterElement()) {
                Describe(doc, tags, attributes, depth + 1, out);
                Check(doc.LeaveElement());
            }
        }
    }
}

std::string ReadAll(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    std::stringstream ss;
    ss << f.rdbuf();
    return ss.str();
}

// A folder of its own for the files of the runs, in memory where there is such a place; it
// goes when the fuzzer ends.
struct ScratchFolder {
    std::string path;
    ScratchFolder() {
        path = std::filesystem::is_directory("/dev/shm") ? "/dev/shm/xmlfuzz-XXXXXX"
                                                         : "/tmp/xmlfuzz-XXXXXX";
        if (!::mkdtemp(path.data()))
            __builtin_trap();
    }
    ~ScratchFolder() {
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
};

void CheckFileRoundTrip(const std::string& bytes, const uint8_t* steer, size_t steerCount) {
    static const ScratchFolder folder;
    const std::string in = folder.path + "/in.xml", out = folder.path + "/out.xml";
    {
        std::ofstream f(in, std::ios::binary | std::ios::trunc);
        f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    std::filesystem::remove(out);
    CXmlDocument doc;
    doc.Load(in);
    std::vector<std::string> tags, attributes;
    CollectNames(doc.DocumentText(), tags, attributes);
    if (!tags.empty() && doc.FindElement(tags[0]))
        doc.EnterElement();
    bool changed = false;
    for (size_t i = 0; i < steerCount; ++i)
        changed = ApplyEdit(doc, steer[i], tags, attributes) || changed;
    if (!doc.Save(out)) {
        Check(!doc.SaveRefusal().empty());
        Check(!std::filesystem::exists(out));
        return;
    }
    const std::string saved = ReadAll(out);
    // NUL bytes and half a UTF-16 unit are not kept; anything else is.
    const bool utf16 = bytes.compare(0, 2, "\xFF\xFE") == 0 || bytes.compare(0, 2, "\xFE\xFF") == 0;
    if (!changed && bytes.find('\0') == std::string::npos && !(utf16 && bytes.size() % 2))
        Check(saved == bytes);

    CXmlDocument edited, back;
    edited.SetDocumentText(doc.DocumentText());
    back.Load(out);
    std::string seen, seenBack;
    Describe(edited, tags, attributes, 0, seen);
    Describe(back, tags, attributes, 0, seenBack);
    Check(seen == seenBack);
}
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
        ApplyEdit(edit, data[i], tags, attributes);
        CheckIndex(edit);
    }
    // What the edits made parses again to a document whose index holds.
    CXmlDocument again;
    again.SetDocumentText(edit.DocumentText());
    CheckIndex(again);

    CheckFileRoundTrip(text, data, steer);
    return 0;
}
