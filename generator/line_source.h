#pragma once

#include <cstddef>
#include <fstream>
#include <string>
#include <string_view>

namespace tarnix {

// The lines of a text file, one per message, starting again at the first after the last. A
// carriage return before a line end is part of the line end. The line buffer is sized once,
// before the first line is taken, so that taking lines allocates nothing.
class LineSource {
 public:
  // False when the file cannot be opened.
  bool open(const std::string& path);
  // The file holds no line at all.
  bool empty() const { return !anyLine_; }
  // The buffer a line is read into: the smallest of 10, 20, 40, ... bytes that exceeds every
  // line, its line end included, by at least 2.
  std::size_t bufferSize() const { return bufferSize_; }
  // The next line without its line end; after the last, the first again. Not for an empty file.
  std::string_view next();

 private:
  bool readLine();

  std::ifstream file_;
  std::string line_;
  std::size_t bufferSize_ = 10;
  std::size_t longestLine_ = 0;  // characters, a line end counted as one
  bool anyLine_ = false;
};

}  // namespace tarnix
