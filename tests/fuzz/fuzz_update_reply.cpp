// The update reply comes from the network: any bytes must give a reply within the limits or
// nothing, never a crash.
#include "core/UpdateReply.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const auto reply = varnook::ParseUpdateReply(std::string_view(reinterpret_cast<const char*>(data), size));
    if (reply && (reply->version.size() > varnook::kMaxUpdateFieldLength ||
                  reply->history.size() > varnook::kMaxUpdateHistoryLength))
        std::abort();
    return 0;
}
