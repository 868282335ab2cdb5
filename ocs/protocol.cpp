#include "ocs/protocol.h"

#include <zlib.h>

#include <algorithm>
#include <sstream>
#include <utility>

#include <pugixml.hpp>

#include "wmi/ascii.h"

namespace tq::ocs {
namespace {

// Replies are small; an inventory reply a few hundred bytes.
constexpr std::size_t kMaxReplyXml = 4u << 20;

std::string allowHint() {
    return "to allow it, add the line \"" + userAgent() +
           "\" to the server's extra user agents file (on Debian /etc/ocsinventory/extra_useragents)";
}

// The authority's user:password@ part of an address: its start and its
// length including the '@' (0 when there is none).
std::pair<std::size_t, std::size_t> userPart(std::string_view url) {
    const std::size_t scheme = url.find("://");
    if (scheme == std::string_view::npos) return {0, 0};
    const std::size_t start = scheme + 3;
    const std::size_t end = std::min(url.find_first_of("/?#", start), url.size());
    const std::size_t at = url.substr(start, end - start).rfind('@');
    if (at == std::string_view::npos) return {start, 0};
    return {start, at + 1};
}

// One request and its reply's RESPONSE.
std::string exchange(platform::HttpClient& client, const Server& server, platform::Deadline deadline,
                     const std::string& xml) {
    using platform::HttpError;
    platform::HttpRequest request;
    request.url = server.url;
    request.contentType = "application/x-compress-zlib";
    request.userAgent = userAgent();
    request.body = compress(xml);
    request.deadline = deadline;
    request.proxy = server.proxy;
    const std::string address = shownAddress(server.url);
    const std::string where = "the inventory server " + address;

    platform::HttpReply reply;
    try {
        reply = client.post(request);
    } catch (const HttpError& e) {
        // The platform's text may quote the server (kept short) and any
        // address, the proxies' included (their passwords hidden).
        std::vector<std::string> addresses = platform::environmentProxies();
        addresses.push_back(server.url);
        addresses.push_back(server.proxy);
        const std::string why = clip(platform::withoutCredentials(e.what(), addresses));
        switch (e.kind()) {
        case HttpError::Kind::Timeout:
            throw SendError(where + " did not answer within " + std::to_string(server.timeoutSeconds) + " s");
        case HttpError::Kind::Unreachable: throw SendError("cannot reach " + where + ": " + why);
        case HttpError::Kind::TooLarge: throw SendError(where + " sent more than this program reads: " + why);
        case HttpError::Kind::BadUrl: throw SendError("cannot send to " + address + ": " + why);
        case HttpError::Kind::BadReply: throw SendError(where + " answered something that is not HTTP: " + why);
        case HttpError::Kind::Other: break;
        }
        throw SendError("cannot talk to " + where + ": " + why);
    }
    if (reply.status == 400) throw SendError(where + " refused this agent (HTTP 400); " + allowHint());
    if (reply.status == 407) throw SendError("the proxy on the way to " + address + " asks for credentials (HTTP 407)");
    if (reply.status != 200) throw SendError(where + " answered HTTP " + std::to_string(reply.status));

    std::string text;
    try {
        text = uncompress(reply.body, kMaxReplyXml);
    } catch (const std::exception&) {
        // Some servers answer in plain XML.
        if (reply.body.find_first_not_of(" \t\r\n") != std::string::npos &&
            reply.body[reply.body.find_first_not_of(" \t\r\n")] == '<' && reply.body.size() <= kMaxReplyXml)
            text = reply.body;
        else throw SendError(where + " answered something that is not an inventory reply");
    }
    std::optional<std::string> response = replyResponse(text);
    if (!response) throw SendError(where + " answered something that is not an inventory reply");
    return *response;
}

}  // namespace

std::string userAgent() { return "Tallyquest_v" TQ_VERSION; }

std::string clip(std::string_view text, std::size_t max) {
    if (text.size() <= max) return std::string(text);
    std::size_t end = max;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
    return std::string(text.substr(0, end)) + "...";
}

std::string shownAddress(std::string_view url) {
    const auto [start, length] = userPart(url);
    std::string shown(url);
    if (length > 0) {
        const std::size_t colon = url.substr(start, length).find(':');
        if (colon != std::string_view::npos) shown.erase(start + colon, length - 1 - colon);
    }
    return clip(shown);
}

std::string addressWithoutUser(std::string_view url) {
    const auto [start, length] = userPart(url);
    std::string out(url);
    out.erase(start, length);
    return out;
}

// Deflated a piece at a time: the buffer grows with the compressed text,
// not with the bound zlib gives for the whole input at once.
std::string compress(std::string_view data) {
    z_stream z{};
    if (deflateInit(&z, Z_BEST_COMPRESSION) != Z_OK) throw std::runtime_error("cannot compress the inventory");
    struct End {
        z_stream* z;
        ~End() { deflateEnd(z); }
    } end{&z};
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    std::size_t left = data.size();
    std::string out;
    char buf[16384];
    for (int rc = Z_OK; rc != Z_STREAM_END;) {
        if (z.avail_in == 0 && left > 0) {
            const std::size_t n = std::min<std::size_t>(left, 1u << 30);
            z.avail_in = static_cast<uInt>(n);
            left -= n;
        }
        z.next_out = reinterpret_cast<Bytef*>(buf);
        z.avail_out = sizeof buf;
        rc = deflate(&z, left == 0 ? Z_FINISH : Z_NO_FLUSH);
        if (rc != Z_OK && rc != Z_STREAM_END && rc != Z_BUF_ERROR)
            throw std::runtime_error("cannot compress the inventory");
        out.append(buf, sizeof buf - z.avail_out);
    }
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
    return std::string(ascii::trim(response, " \t\r\n"));
}

Outcome sendInventory(platform::HttpClient& client, const Server& server, std::string_view deviceId,
                      const std::string& inventoryXml, std::string* prologResponse,
                      const std::function<void()>& accepted) {
    // One deadline for both requests.
    const platform::Deadline deadline = std::chrono::steady_clock::now() + std::chrono::seconds(server.timeoutSeconds);
    const std::string answer = exchange(client, server, deadline, prologXml(deviceId));
    if (prologResponse) *prologResponse = clip(answer);
    if (accepted) accepted();
    if (answer != "SEND") return Outcome::NotRequested;
    exchange(client, server, deadline, inventoryXml);
    return Outcome::Sent;
}

}  // namespace tq::ocs
