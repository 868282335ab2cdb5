#include "platform/linereader.h"

#include "wmi/failure.h"

namespace tq::platform {

bool BufferLineReader::atEnd() {
    if (closed_) fail::raise(fail::kBadFileNameOrNumber);
    return pos_ >= data_.size();
}

std::string BufferLineReader::readLine() {
    if (closed_) fail::raise(fail::kBadFileNameOrNumber);
    if (pos_ >= data_.size()) fail::raise(fail::kInputPastEnd);
    const std::size_t cr = data_.find('\r', pos_);
    std::string_view rest(data_);
    std::string_view line;
    if (cr == std::string::npos) {
        line = rest.substr(pos_);
        pos_ = data_.size();
    } else {
        line = rest.substr(pos_, cr - pos_);
        pos_ = cr + 1;
        if (pos_ < data_.size() && data_[pos_] == '\n') ++pos_;
    }
    return decode_ ? decode_(line) : std::string(line);
}

}  // namespace tq::platform
