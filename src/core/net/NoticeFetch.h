#pragma once
#include "net/CHttpDownload.h"

#include <filesystem>
#include <optional>
#include <string>

// The notice shown after login: a title, a text and the address a click opens.
struct NoticeTexts {
    std::string title;
    std::string content;
    std::string url;
};

struct NoticeFetchResult {
    std::optional<NoticeTexts> notice;
    // Why there is none: the download's error text, or what was wrong with the answer.
    std::string error;
};

// The notice service: $FERIX_NOTICE_HOST, else the built-in host. No trailing slash.
std::string NoticeHost();
// A stable identifier of this machine that does not give away /etc/machine-id itself: a keyed
// hash of it (of the host name when the file is missing or empty), as 32 hex digits.
std::string MachineIdentifier(const std::filesystem::path& machineIdFile = "/etc/machine-id");
// The request address of the notice on `host`.
std::string NoticeAddress(const std::string& host, const std::string& machine);

// An answer is taken for a notice only when "config" stands in it after its first character.
bool LooksLikeNotice(const std::string& body);
// Reads a saved notice document: root `config`, `item`s with `type` and `content`. A later
// item of a type wins over an earlier one; other types are ignored. nullopt when the file
// does not load as XML or its root is not `config`.
std::optional<NoticeTexts> ReadNoticeFile(const std::filesystem::path& file);

// Fetches the notice from `host`, keeps the answer in Temp/tempx.data below `programFolder`
// (Temp is made when missing) and reads it from there. Safe to run on any thread.
NoticeFetchResult FetchNotice(const std::string& host, const std::filesystem::path& programFolder,
                              const CHttpDownload::Timeouts& timeouts = {});
