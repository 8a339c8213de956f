// The file exchange's replies: whatever the file service sends as its
// greeting, size line and body (and then the end of the stream), the file
// fetch ends done with exactly the announced bytes or no file.
#include <cstdint>
#include <string>

#include "framework/net/communicator.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    static fuzz::ReplyPeer peer;
    peer.setReply(data, size);
    const std::string host = "127.0.0.1:" + std::to_string(peer.port());
    Communicator c(nullptr, 1);
    c.setSocketTimeout(5, 0);
    c.requestFile_sync("vurnorvex_windows_1.01/system/docs/x.html.gz", host.c_str(), host.c_str());
    FUZZ_CHECK(c.isDone());
    const int length = c.getResultLength();
    FUZZ_CHECK(length >= -1);
    if (length >= 0) FUZZ_CHECK(c.getResult() != nullptr && static_cast<std::size_t>(length) <= size);
    return 0;
}
