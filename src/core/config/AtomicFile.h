#pragma once
#include <filesystem>
#include <string>
#include <string_view>

// Replaces a file's content all at once: the bytes go to a temporary file in the same folder,
// which is flushed to disk and then renamed over the target. A crash or a failed write leaves
// the old file whole. An existing target keeps its permissions; a link is followed, so the file
// it points to is replaced. On failure `error` gets the system's reason.
bool WriteFileAtomically(const std::filesystem::path& target, std::string_view bytes,
                         std::string* error);
