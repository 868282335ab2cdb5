// Reading a text file line by line from its whole content, as every file
// seam does: a line ends at CR or at CR LF; a lone LF is part of the line.
#pragma once

#include <string>
#include <string_view>

#include "platform/seams.h"

namespace tq::platform {

class BufferLineReader final : public LineReader {
public:
    using Decode = std::string (*)(std::string_view bytes);
    // `decode` turns the file's single-byte text into UTF-8 (none: as it is).
    explicit BufferLineReader(std::string bytes, Decode decode = nullptr) : data_(std::move(bytes)), decode_(decode) {}

    bool atEnd() override;
    std::string readLine() override;
    void close() override { closed_ = true; }

private:
    std::string data_;
    Decode decode_;
    std::size_t pos_ = 0;
    bool closed_ = false;
};

}  // namespace tq::platform
