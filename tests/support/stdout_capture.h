#pragma once

#include <iostream>
#include <sstream>
#include <string>

namespace framestow::testing {

// Collects what the code under test prints to std::cout while it lives.
class StdoutCapture {
  public:
    StdoutCapture() : previous_(std::cout.rdbuf(buffer_.rdbuf())) {}
    ~StdoutCapture() { std::cout.rdbuf(previous_); }
    StdoutCapture(const StdoutCapture&) = delete;
    StdoutCapture& operator=(const StdoutCapture&) = delete;

    std::string text() const { return buffer_.str(); }

    // The text so far, which is then forgotten.
    std::string take() {
        std::string text = buffer_.str();
        buffer_.str({});
        return text;
    }

  private:
    std::ostringstream buffer_;
    std::streambuf* previous_;
};

}  // namespace framestow::testing
