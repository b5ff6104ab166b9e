// Redirect handling: the Location of a block of response headers, resolved against the
// current address. The input is the current address, a line feed, then the raw headers.
#include "net/CHttpDownload.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string input(reinterpret_cast<const char*>(data), size);
    size_t nl = input.find('\n');
    std::string current = nl == std::string::npos ? "http://host/a/b/c?q" : input.substr(0, nl);
    std::string headers = nl == std::string::npos ? input : input.substr(nl + 1);

    std::optional<std::string> location = CHttpDownload::FindLocation(headers);
    if (!location)
        return 0;
    if (location->empty() || location->front() == ' ' || location->back() == '\r')
        abort(); // the value is trimmed and never empty
    std::optional<std::string> next = CHttpDownload::ResolveRedirect(current, *location);
    if (!next)
        return 0;
    for (unsigned char c : *next) {
        if (c <= 0x20 || c >= 0x7F || c == '#')
            abort(); // only bytes that may stand in an address, no fragment
    }
    // A resolved address is absolute and final: resolving it again changes nothing.
    std::optional<std::string> again = CHttpDownload::ResolveRedirect(current, *next);
    if (!again || *again != *next)
        abort();
    return 0;
}
