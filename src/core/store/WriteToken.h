#pragma once
#include <optional>
#include <string>

class CDataStore;

// A write action that stores a document (a posting of any kind, a reversal, a stock count)
// carries a token, made when the action is first tried and kept by it until it succeeds, and
// writes it into WriteToken inside its own transaction. When the connection breaks at or after
// COMMIT, the token tells afterwards whether the action was stored; a retry under the same
// token finds it and stores nothing more (the unique index is the last guard).

// 128 random bits as 32 lower-case hex digits.
std::string NewWriteToken();
// Whether `text` is such a token.
bool IsWriteToken(const std::string& text);

// Inside the action's write transaction, before it writes anything: the bill number the token
// stored, or nothing when it is new. False after a failed read (the store's LastError()).
bool FindWriteToken(CDataStore& store, const std::string& token,
                    std::optional<std::string>& storedBill);
// Inside the action's write transaction: `kind` names the action (the kind's ferix-cli word,
// "reverse " and the word, or "count"), `billId` the number stored. False after a failed insert,
// without a message.
bool AddWriteToken(CDataStore& store, const std::string& token, const std::string& kind,
                   const std::string& billId);

// What an action's token says about the action.
enum class TokenLookup {
    New,           // not stored: the action goes on
    Stored,        // stored by an earlier try of the same action: TokenStoredText was told
    Refused,       // stored by another action: TokenOtherActionText was told, nothing is stored
    ConnectFailed, // the main data could not be opened (LookUpWriteTokenFirst only; not told)
    Failed,        // the read failed (the store's LastError(); not told inside a transaction)
};
// The token of action `kind` (as AddWriteToken writes it) looked up; `bill`, when not empty, is
// the one bill the action may have stored (a reversal's red bill). `storedBill` receives the
// number a Stored or Refused token names. Inside the action's write transaction, as its first
// read: the guard against a second workstation retrying the same action at the same moment.
TokenLookup LookUpWriteToken(CDataStore& store, const std::string& token, const std::string& kind,
                             const std::string& bill, std::string& storedBill);
// The same look-up before the action checks anything, on a connection of its own: a retry of a
// stored action is answered before checks that would now see what it stored (the last units
// sold, the bill number taken). An empty token is New; a failed read is told here.
TokenLookup LookUpWriteTokenFirst(const std::string& token, const std::string& kind,
                                  const std::string& bill, std::string& storedBill);

enum class CommitAnswer {
    Committed, // stored
    Failed,    // the COMMIT failed on a sound connection: nothing stored (nothing said)
    Stored,    // the reply was lost, the token is stored: LostReplyStoredText was told
    NotStored, // the reply was lost, the token is not stored: kLostReplyNotStoredText was told
    Unknown,   // the reply was lost and the look-up failed: kLostReplyUnknownText was told
};
// Commits the open write transaction of the action that wrote `token`. When the reply is lost
// with the connection, connects again and looks the token up; `storedBill` then receives the
// number it stored.
CommitAnswer CommitWriteAction(CDataStore& store, const std::string& token,
                               std::string* storedBill = nullptr);

// The answers after a lost reply, and what a retry of a stored action says.
std::string LostReplyStoredText(const std::string& billId);
inline constexpr const char* kLostReplyNotStoredText =
    "与数据库服务器的连接已断开。重新连接后核对：单据没有保存，可以再次保存。";
inline constexpr const char* kLostReplyUnknownText =
    "服务器没有回应，无法确定单据是否已保存，请在单据查询中核对！";
std::string TokenStoredText(const std::string& billId);
// A token given to another action than the one that stored `billId`.
std::string TokenOtherActionText(const std::string& billId);

// Benchmark seam, built only with FERIX_TEST_SEAMS: actions neither look up nor write their
// token, so that a run can measure what the token costs. Whether the seam is built (without it
// nothing is skipped).
bool SkipWriteTokenForBench(bool skip);
