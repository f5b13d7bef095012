#pragma once

#include <cstddef>
#include <cstdio>
#include <memory>
#include <stop_token>
#include <string>
#include <string_view>

namespace tarnix {

// The lines of a text file, one per message, starting again at the first after the last. A
// carriage return before a line end is part of the line end. The line buffer is sized once,
// before the first line is taken, so that taking lines allocates nothing.
class LineSource {
 public:
  enum class Opened {
    Ready,
    CannotOpen,   // `why` gives the system's reason
    NoLines,      // the file is empty
    LineTooLong,  // a line holds more than the largest message
    Stopped,      // a stop was requested while the file was scanned
  };

  // Opens a regular file, without waiting on a writer where the path names a pipe, and scans it
  // once for its longest line, reading at most one line longer than the largest message.
  Opened open(const std::string& path, const std::stop_token& stop, std::string& why);
  // The buffer a line is read into: the smallest of 10, 20, 40, ... bytes that exceeds every
  // line, its line end included, by at least 2.
  std::size_t bufferSize() const { return bufferSize_; }
  // The next line without its line end; after the last, the first again. Only once opened.
  std::string_view next();

 private:
  Opened scan(const std::stop_token& stop);
  // Reads at most bufferSize - 1 characters, up to and including a line end; false at the end.
  bool readLine();

  struct Closer {
    void operator()(std::FILE* file) const { std::fclose(file); }
  };
  std::unique_ptr<std::FILE, Closer> file_;
  std::string line_;
  std::size_t bufferSize_ = 10;
};

}  // namespace tarnix
