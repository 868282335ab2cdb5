#include "ocs/protocol.h"

#include <zlib.h>

#include <sstream>

#include <pugixml.hpp>

namespace tq::ocs {
namespace {

// Replies are small; an inventory reply a few hundred bytes.
constexpr std::size_t kMaxReplyXml = 4u << 20;

std::string allowHint() {
    return "to allow it, add the line \"" + userAgent() +
           "\" to the server's extra user agents file (on Debian /etc/ocsinventory/extra_useragents)";
}

// One request and its reply's RESPONSE.
std::string exchange(platform::HttpClient& client, const Server& server, const std::string& xml) {
    using platform::HttpError;
    platform::HttpRequest request;
    request.url = server.url;
    request.contentType = "application/x-compress";
    request.userAgent = userAgent();
    request.body = compress(xml);
    request.timeoutSeconds = server.timeoutSeconds;
    const std::string where = "the inventory server " + server.url;

    platform::HttpReply reply;
    try {
        reply = client.post(request);
    } catch (const HttpError& e) {
        switch (e.kind()) {
        case HttpError::Kind::Timeout:
            throw SendError(where + " did not answer within " + std::to_string(server.timeoutSeconds) + " s");
        case HttpError::Kind::Unreachable: throw SendError("cannot reach " + where + ": " + e.what());
        case HttpError::Kind::TooLarge: throw SendError(where + " answered with a reply too large to read");
        case HttpError::Kind::BadUrl: throw SendError("cannot send to " + server.url + ": " + e.what());
        case HttpError::Kind::Other: break;
        }
        throw SendError("cannot talk to " + where + ": " + e.what());
    }
    if (reply.status == 400) throw SendError(where + " refused this agent (HTTP 400); " + allowHint());
    if (reply.status != 200) throw SendError(where + " answered HTTP " + std::to_string(reply.status));

    std::string text;
    try {
        text = uncompress(reply.body, kMaxReplyXml);
    } catch (const std::exception&) {
        // Some servers answer in plain XML.
        if (reply.body.find_first_not_of(" \t\r\n") != std::string::npos &&
            reply.body[reply.body.find_first_not_of(" \t\r\n")] == '<' && reply.body.size() <= kMaxReplyXml)
            text = reply.body;
        else
            throw SendError(where + " answered something that is not an inventory reply");
    }
    std::optional<std::string> response = replyResponse(text);
    if (!response) throw SendError(where + " answered something that is not an inventory reply");
    return *response;
}

}  // namespace

std::string userAgent() { return "Tallyquest_v" TQ_VERSION; }

std::string compress(std::string_view data) {
    uLongf size = compressBound(static_cast<uLong>(data.size()));
    std::string out(size, '\0');
    const int rc = compress2(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(data.data()),
                             static_cast<uLong>(data.size()), Z_BEST_COMPRESSION);
    if (rc != Z_OK) throw std::runtime_error("cannot compress the inventory");
    out.resize(size);
    return out;
}

std::string uncompress(std::string_view data, std::size_t limit) {
    z_stream z{};
    if (inflateInit(&z) != Z_OK) throw std::runtime_error("cannot start zlib");
    struct End {
        z_stream* z;
        ~End() { inflateEnd(z); }
    } end{&z};
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    z.avail_in = static_cast<uInt>(data.size());
    std::string out;
    char buf[16384];
    for (;;) {
        z.next_out = reinterpret_cast<Bytef*>(buf);
        z.avail_out = sizeof buf;
        const int rc = inflate(&z, Z_NO_FLUSH);
        if (rc != Z_OK && rc != Z_STREAM_END) throw std::runtime_error("not zlib data");
        out.append(buf, sizeof buf - z.avail_out);
        if (out.size() > limit) throw std::runtime_error("the data grows too large");
        if (rc == Z_STREAM_END) break;
        if (z.avail_in == 0 && z.avail_out != 0) throw std::runtime_error("the data ends early");
    }
    return out;
}

std::string prologXml(std::string_view deviceId) {
    pugi::xml_document doc;
    pugi::xml_node decl = doc.append_child(pugi::node_declaration);
    decl.append_attribute("version") = "1.0";
    decl.append_attribute("encoding") = "UTF-8";
    pugi::xml_node request = doc.append_child("REQUEST");
    request.append_child("DEVICEID").text().set(std::string(deviceId).c_str());
    request.append_child("QUERY").text().set("PROLOG");
    std::ostringstream out;
    doc.save(out, "", pugi::format_raw, pugi::encoding_utf8);
    return out.str();
}

std::optional<std::string> replyResponse(std::string_view xml) {
    pugi::xml_document doc;
    // No entity expansion beyond XML's own five, no DTD: pugixml never loads external data.
    if (!doc.load_buffer(xml.data(), xml.size(), pugi::parse_default, pugi::encoding_utf8)) return std::nullopt;
    pugi::xml_node reply = doc.document_element();
    if (std::string_view(reply.name()) != "REPLY") return std::nullopt;
    std::string response = reply.child("RESPONSE").text().get();
    const auto first = response.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return std::string();
    return response.substr(first, response.find_last_not_of(" \t\r\n") - first + 1);
}

Outcome sendInventory(platform::HttpClient& client, const Server& server, std::string_view deviceId,
                      const std::string& inventoryXml, std::string* prologResponse) {
    const std::string answer = exchange(client, server, prologXml(deviceId));
    if (prologResponse) *prologResponse = answer;
    if (answer != "SEND") return Outcome::NotRequested;
    exchange(client, server, inventoryXml);
    return Outcome::Sent;
}

}  // namespace tq::ocs
