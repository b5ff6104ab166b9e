#pragma once
#include "store/BillKindNames.h"
#include "store/Records.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

class CDataStore;

// The bill journal: one entry per posted document (a bill, a red bill, a receipt or payment, a
// count's loss and gain bills), each holding the BLAKE2b-256 digest of the previous entry's
// digest and the document's canonical text, so a bill changed, removed or added outside the
// program breaks the chain where it stands.

// The canonical text's layout new entries are written with. A later change to the columns of a
// bill table adds a layout; older entries keep being checked by theirs.
inline constexpr int kJournalLayout = 2;
// The digest before the first entry.
inline constexpr const char* kJournalGenesis =
    "0000000000000000000000000000000000000000000000000000000000000000";

// The canonical text of the stored bill `number` of `kind` in layout `version`: the kind's word,
// then its header row and its lines (in the order they were stored), each stored column but the
// row's id and its Canceled mark in a fixed order, every field prefixed by its length in bytes.
// Nothing when the bill is not stored, the read failed (`store.LastError()`, `failed` set) or the
// layout is unknown. The check builds the same text from the rows it meets scanning each table.
std::optional<std::string> CanonicalBillText(CDataStore& store, int version, BillKind kind,
                                             const std::string& number, bool* failed = nullptr);
// BLAKE2b-256 of `prevDigest` followed by `text`, as 64 lowercase hex digits.
std::string JournalDigest(const std::string& prevDigest, const std::string& text);

// A trade bill's canonical text put together from the rows as the posting writes them, so that
// posting a bill of a thousand lines need not read them back. The stored columns are text, kept
// byte for byte as bound; builds with assertions compare the draft with the stored rows at every
// posting all the same.
class CJournalDraft {
public:
    void Head(const BillHeaderRecord& head);
    // `costed`: a sale or sale-return line, which stores its cost too.
    void Line(const BillDetailRecord& line, bool costed);
    std::string Text(BillKind kind) const;

private:
    std::string m_head, m_lines;
};

// Appends the entry of the bill `number` of `kind`, just written in the store's open write
// transaction: the chain head is locked first (its row on a server; the file's write lock on a
// file), so two workstations never fork the chain. The bill's text is read back from the store,
// or taken from `draft` when the posting built one. False with `store.LastError()`.
bool AppendToJournal(CDataStore& store, BillKind kind, const std::string& number,
                     const CJournalDraft* draft = nullptr);

// Builds the chain over every stored bill (date, then id) when the tables have bills and no
// chain head, in one transaction of its own; the store runs it when it opens such tables.
bool BuildJournalChain(CDataStore& store);

// What a check of the chain found: the first document that does not match its entry.
struct JournalCheck {
    enum class Finding {
        Complete, // every document matches the chain
        Changed,  // the bill's stored rows differ from what was posted, or its Canceled mark
                  // from its red bill's entry (reversed: "1"; red: "2"; in force: "0")
        Removed,  // the bill's entry is there, the bill is not
        Added,    // a stored bill without an entry
        Broken,   // the chain itself was altered at this entry (entries removed or changed)
        Forged,   // an entry the program cannot have written (`seq`; the bill when it names one)
        Failed    // the check could not run (`error`)
    };
    Finding finding = Finding::Failed;
    BillKind kind = BillKind::Purchase;
    std::string number;   // empty: the entry names no bill this program knows
    int64_t seq = 0;      // the entry's Seq (Forged)
    size_t documents = 0; // entries in the chain
    std::string error;
};
JournalCheck CheckJournal(CDataStore& store);
// "单据记录完整：N 张单据。" or the finding, naming the kind, the number and what happened.
std::string JournalCheckText(const JournalCheck& check);
// The verify act of the windows and ferix-cli: checks the main data and writes the result to the
// operation log. A failed connect has told its reason already.
JournalCheck VerifyBillJournal();

// Benchmark seam: postings skip their journal entry, so a run can measure what the entry costs.
void SkipJournalForBench(bool skip);
