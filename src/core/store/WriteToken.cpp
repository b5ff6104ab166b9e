#include "WriteToken.h"

#include "CDataStore.h"
#include "port/FailureText.h"
#include "port/MessagePort.h"
#include "text/Clock.h"

#include <sodium.h>

#include <algorithm>
#include <atomic>

namespace {
#ifdef FERIX_TEST_SEAMS
std::atomic<bool> g_skipForBench = false;
#endif

bool SkippedForBench() {
#ifdef FERIX_TEST_SEAMS
    return g_skipForBench;
#else
    return false;
#endif
}
} // namespace

bool SkipWriteTokenForBench([[maybe_unused]] bool skip) {
#ifdef FERIX_TEST_SEAMS
    g_skipForBench = skip;
    return true;
#else
    return false;
#endif
}

std::string NewWriteToken() {
    unsigned char bits[16];
    randombytes_buf(bits, sizeof bits);
    char hex[sizeof bits * 2 + 1];
    sodium_bin2hex(hex, sizeof hex, bits, sizeof bits);
    return hex;
}

bool IsWriteToken(const std::string& text) {
    return text.size() == 32 && std::all_of(text.begin(), text.end(), [](char c) {
               return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
           });
}

bool FindWriteToken(CDataStore& store, const std::string& token,
                    std::optional<std::string>& storedBill) {
    storedBill.reset();
    return store.Run("select Bill_ID from WriteToken where Token = ?", {token},
                     [&](const CStatement& row) { storedBill = row.Text(0); });
}

bool AddWriteToken(CDataStore& store, const std::string& token, const std::string& kind,
                   const std::string& billId) {
    if (SkippedForBench())
        return true;
    return store.Run("insert into WriteToken (Token, Kind, Bill_ID, At) values (?, ?, ?, ?)",
                     {token, kind, billId, FormatNow("%Y-%m-%d %H:%M:%S")});
}

TokenLookup LookUpWriteToken(CDataStore& store, const std::string& token, const std::string& kind,
                             const std::string& bill, std::string& storedBill) {
    storedBill.clear();
    if (SkippedForBench())
        return TokenLookup::New;
    std::optional<std::string> storedKind;
    if (!store.Run("select Kind, Bill_ID from WriteToken where Token = ?", {token},
                   [&](const CStatement& row) {
                       storedKind = row.Text(0);
                       storedBill = row.Text(1);
                   }))
        return TokenLookup::Failed;
    if (!storedKind)
        return TokenLookup::New;
    // Another kind, or a reversal of another bill: answering "stored" would name a bill this
    // action never made, and storing it would take a token that is already spent.
    if (*storedKind != kind || (!bill.empty() && storedBill != bill)) {
        Messages().Inform(TokenOtherActionText(storedBill));
        return TokenLookup::Refused;
    }
    Messages().Inform(TokenStoredText(storedBill));
    return TokenLookup::Stored;
}

TokenLookup LookUpWriteTokenFirst(const std::string& token, const std::string& kind,
                                  const std::string& bill, std::string& storedBill) {
    storedBill.clear();
    if (token.empty())
        return TokenLookup::New;
    CDataStore store;
    if (!store.ConnectMain())
        return TokenLookup::ConnectFailed;
    const TokenLookup found = LookUpWriteToken(store, token, kind, bill, storedBill);
    if (found == TokenLookup::Failed)
        Messages().Inform(DatabaseFailureText("", store.ErrorDetail()));
    return found;
}

CommitAnswer CommitWriteAction(CDataStore& store, const std::string& token,
                               std::string* storedBill) {
    if (store.Commit())
        return CommitAnswer::Committed;
    // On a sound connection the server answered: the transaction was not stored. (A file's
    // COMMIT never loses its reply, and takes this path.)
    if (!store.ConnectionLost()) {
        store.Rollback();
        return CommitAnswer::Failed;
    }
    std::optional<std::string> bill;
    if (!store.Reconnect() || !FindWriteToken(store, token, bill)) {
        Messages().Inform(kLostReplyUnknownText);
        return CommitAnswer::Unknown;
    }
    if (!bill) {
        Messages().Inform(kLostReplyNotStoredText);
        return CommitAnswer::NotStored;
    }
    if (storedBill)
        *storedBill = *bill;
    Messages().Inform(LostReplyStoredText(*bill));
    return CommitAnswer::Stored;
}

std::string LostReplyStoredText(const std::string& billId) {
    return "与数据库服务器的连接已断开。重新连接后核对：单据“" + billId + "”已经保存。";
}

std::string TokenStoredText(const std::string& billId) {
    return "单据“" + billId + "”已经保存，没有再次保存。";
}

std::string TokenOtherActionText(const std::string& billId) {
    return "写入令牌已用于另一项操作（单据“" + billId + "”），没有保存。";
}
