#pragma once
#include "config/CElementIndex.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

// The program's XML text class. It holds a whole document as one UTF-8 text, indexes where its
// elements lie without copying anything, and lets the caller walk the elements with a
// parent/current/child cursor, read and write attributes, add and remove elements. Every edit
// splices the one text, so whatever an edit does not touch (comments, whitespace, attribute
// order, quoting, the XML declaration) is saved byte for byte as it was loaded: a save writes
// the file's own bytes for every part of the text no edit has touched and converts only what
// the edits brought in.
//
// Use: construct, Load, FindElement of the root, EnterElement, then FindElement in a loop over
// one level, GetAttribute on each element found; for changes AddElement/SetAttribute or
// RemoveElement, then Save to the same path.
class CXmlDocument {
public:
    // Document flags: they travel from reading a file to writing it again.
    enum : int {
        kUtf16LeFile = 0x01,
        kUtf8Mark = 0x04,
        kIgnoreCase = 0x08, // never set by this program; kept as it comes
        kUtf16BeFile = 0x80,
    };

    CXmlDocument();

    // Reads and parses a file. False when it cannot be read (the document is then empty) or when
    // it is not well-formed (the index is usable all the same).
    bool Load(const std::filesystem::path& path);
    // Writes the text in the encoding the file was read in; the old file stays whole when the
    // write fails or is refused (see SaveRefusal).
    bool Save(const std::filesystem::path& path);
    // Why the last Save wrote nothing: the edits hold something the file's encoding cannot carry
    // so that it reads back the same. Empty after any other save.
    const std::string& SaveRefusal() const { return m_refusal; }
    // Load and Save without the file: the bytes a file would hold, kept elsewhere (a database
    // row). Read and written exactly as Load and Save read and write the file, with the same
    // refusals; SaveBytes changes `bytes` only when it succeeds.
    bool LoadBytes(std::string bytes);
    bool SaveBytes(std::string& bytes);

    // Moves the current position to the next sibling element named `name` (exact, case-
    // sensitive); from the parent's first child when there is no current element.
    bool FindElement(const std::string& name);
    // The current element becomes the parent; there is no current element afterwards.
    bool EnterElement();
    // The parent becomes the current element again.
    bool LeaveElement();

    // Value of an attribute of the current element with its character references decoded;
    // empty when the attribute or the current element is missing.
    std::string GetAttribute(const std::string& name) const;
    // Inserts `<name/>` and CR LF after the current element, or as the parent's last child when
    // there is none, and makes it current.
    bool AddElement(const std::string& name);
    // Sets or adds an attribute of the current element, its value escaped in double quotes.
    bool SetAttribute(const std::string& name, const std::string& value);
    // Removes the current element and everything in it; the previous sibling becomes current
    // (none when it was the first), so FindElement goes on with the element after it.
    bool RemoveElement();

    // Reads a whole file into a UTF-8 text (byte order marks, declared encodings, UTF-8
    // detection; a file that declares nothing and is not UTF-8 is read as GBK). `flags` goes in
    // and comes back with the marks found; `result` receives the diagnostic entries of the read.
    static bool ReadDocumentFile(const std::filesystem::path& path, std::string& text,
                                 std::string* result = nullptr, int* flags = nullptr);
    // Converts and writes a whole text: UTF-16 or UTF-8 with its mark as the flags say,
    // otherwise the encoding the text declares, UTF-8 when it declares none. A character the
    // encoding lacks is written as a character reference (&#x1F600;) where the markup reads one
    // back (attribute values, character data); anywhere else it makes the write fail with the
    // file untouched, as does text that is not UTF-8. Atomic: a temporary file beside the target
    // is renamed over it.
    static bool WriteDocumentFile(const std::filesystem::path& path, const std::string& text,
                                  std::string* result = nullptr, int* flags = nullptr);

    // Takes a text as if it had been loaded (tests, the fuzzer, downloaded documents); true when
    // it is well-formed.
    bool SetDocumentText(std::string text, int flags = 0);
    const std::string& DocumentText() const { return m_text; }
    // Diagnostic entries of the last file operation and parse; nothing in the program reads it.
    const std::string& Result() const { return m_result; }
    int DocumentFlags() const { return m_flags; }
    const CElementIndex& ElementIndex() const { return m_index; }

    // The file a document was read from: its bytes after the byte order mark (without NULs),
    // the encoding they were read in ("" when taken as they are), and the parts of the text
    // that still stand as they were read.
    struct KeptRange {
        size_t start, length; // in the text
        size_t readStart;     // in the text as it was read
    };
    struct FileSource {
        bool read = false; // false: the text was not read from a file
        // The text as read is the bytes themselves (valid UTF-8 read as UTF-8, or bytes taken
        // as they are): `bytes` is then left empty, the kept parts of the text being their bytes.
        bool textIsBytes = false;
        std::string bytes;
        std::string encoding;
        std::string converter; // ICU converter of the encoding; "" when there is none
        std::vector<KeptRange> kept;
    };

private:
    static bool ReadFile(const std::filesystem::path& path, std::string& text, FileSource* source,
                         std::string* result, int* flags);
    static bool WriteFile(const std::filesystem::path& path, const std::string& text,
                          const FileSource* source, std::string* result, int* flags,
                          std::string* refusal);
    // The file's bytes to text and back: ReadFile and WriteFile without the file itself.
    static void DecodeBytes(std::string bytes, std::string& text, FileSource& source,
                            std::string& result, int& flags);
    // `encoding` receives what the bytes are written in.
    static bool EncodeText(const std::string& text, const FileSource* source, int flags,
                           std::string& bytes, std::string& encoding, std::string& result,
                           std::string& refusal);
    // Takes a text just read; false when too large or not well-formed.
    bool TakeReadText(std::string text);
    bool Parse();
    void ClearDocument();
    void ResetCursor();
    std::string_view ElementName(uint32_t i) const;
    size_t StartTagLength(uint32_t i) const;
    size_t EndTagLength(uint32_t i) const;
    // Replaces `removeLength` bytes at `offset` with `insert`, moves every element after the
    // change, and grows `owner` and its ancestors by the difference.
    void Splice(size_t offset, size_t removeLength, const std::string& insert, uint32_t owner);
    // Where the content of an element (or of the document) may reach: the end of its range.
    size_t ContentEnd(uint32_t parent) const;
    bool FitsAfterGrowth(size_t growth) const;
    void AddResult(const std::string& entry);

    std::string m_text;
    FileSource m_source;
    std::string m_refusal;
    std::string m_result;
    uint32_t m_parent = 0;
    uint32_t m_current = 0;
    uint32_t m_child = 0;
    int m_nodeType = 0; // 1 when the current position is an element (other nodes are never visited)
    int m_flags = 0;
    CElementIndex m_index;
};
