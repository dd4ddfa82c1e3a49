#pragma once

#include <sstream>
#include <string>

namespace framestow {

// Text built in memory whose lines end with CR LF on every platform, so that the generated
// files have the same bytes whichever system produced them.
class TextLines {
  public:
    static constexpr const char* kLineEnd = "\r\n";

    // Appends the parts and ends the line.
    template <typename... Parts>
    TextLines& line(const Parts&... parts) {
        ((out_ << parts), ...);
        out_ << kLineEnd;
        return *this;
    }

    // Appends the parts without ending the line.
    template <typename... Parts>
    TextLines& text(const Parts&... parts) {
        ((out_ << parts), ...);
        return *this;
    }

    std::string str() const { return out_.str(); }

  private:
    std::ostringstream out_;
};

}  // namespace framestow
