// The HTTP page reply: whatever the server sends (and then the end of the
// stream), the page fetch ends done with a text or none.
#include <cstdint>
#include <string>

#include "framework/net/communicator.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    static fuzz::ReplyPeer peer;
    peer.setReply(data, size);
    const std::string url = "http://127.0.0.1:" + std::to_string(peer.port()) + "/upgrades/page.html";
    Communicator c(nullptr, 1);
    c.setSocketTimeout(5, 0);
    c.getPage("upgrade", url.c_str());
    FUZZ_CHECK(c.isDone());
    if (const char* text = c.getResult()) FUZZ_CHECK(std::string(text).size() <= size);
    return 0;
}
