// Talking to an OCS Inventory NG communication server as its agents do:
// zlib-compressed XML posted as application/x-compress, a PROLOG first and
// the INVENTORY only when the server's reply asks for it.
#pragma once

#include <cstddef>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "platform/http.h"

namespace tq::ocs {

// A failed exchange; what() is the one line the user reads.
class SendError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The User-Agent the server has to know: "Tallyquest_v" and the version.
std::string userAgent();

// zlib's format (not gzip). uncompress throws std::runtime_error for data
// that is not zlib or would grow past `limit` bytes.
std::string compress(std::string_view data);
std::string uncompress(std::string_view data, std::size_t limit);

// <REQUEST><DEVICEID>id</DEVICEID><QUERY>PROLOG</QUERY></REQUEST>
std::string prologXml(std::string_view deviceId);

// The RESPONSE of a <REPLY> document (empty when it has none); nullopt
// when the text is not a REPLY document at all.
std::optional<std::string> replyResponse(std::string_view xml);

struct Server {
    std::string url;
    int timeoutSeconds = 30;
};

enum class Outcome { Sent, NotRequested };

// PROLOG, then INVENTORY when the reply says SEND. Throws SendError.
Outcome sendInventory(platform::HttpClient& client, const Server& server, std::string_view deviceId,
                      const std::string& inventoryXml, std::string* prologResponse = nullptr);

}  // namespace tq::ocs
