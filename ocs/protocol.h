// Talking to an OCS Inventory NG communication server as its agents do:
// zlib-compressed XML posted as application/x-compress-zlib, a PROLOG first
// and the INVENTORY only when the server's reply asks for it.
#pragma once

#include <cstddef>
#include <functional>
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

// At most `max` bytes of `text`, cut at a character's start, with "..."
// added when something was cut: what a server says is shown this short.
std::string clip(std::string_view text, std::size_t max = 300);

// The address as messages show it: without the password of a
// user:password@ part, and clipped.
std::string shownAddress(std::string_view url);

// The address without its user:password@ part, so that the state kept for a
// server does not change with (or hold) its credentials.
std::string addressWithoutUser(std::string_view url);

struct Server {
    std::string url;
    int timeoutSeconds = 30;  // for the whole exchange, both requests
    std::string proxy{};      // as platform::HttpRequest::proxy
};

enum class Outcome { Sent, NotRequested };

// PROLOG, then INVENTORY when the reply says SEND. `accepted` is called
// once the server has answered the PROLOG. Throws SendError.
Outcome sendInventory(platform::HttpClient& client, const Server& server, std::string_view deviceId,
                      const std::string& inventoryXml, std::string* prologResponse = nullptr,
                      const std::function<void()>& accepted = {});

}  // namespace tq::ocs
