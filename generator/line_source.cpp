#include "generator/line_source.h"

#include <algorithm>

namespace tarnix {

bool LineSource::open(const std::string& path) {
  *this = LineSource();
  file_.open(path, std::ios::binary);
  if (!file_) return false;
  // One pass over the file finds its longest line; the buffer doubles until that fits.
  while (readLine()) {
    anyLine_ = true;
    const bool ended = !file_.eof();  // the last line may lack its line end
    longestLine_ = std::max(longestLine_, line_.size() + (ended ? 1 : 0));
  }
  while (bufferSize_ < longestLine_ + 2) bufferSize_ *= 2;
  line_.reserve(bufferSize_);
  file_.clear();
  file_.seekg(0);
  return true;
}

bool LineSource::readLine() {
  if (!std::getline(file_, line_)) return false;
  if (!file_.eof() && !line_.empty() && line_.back() == '\r') line_.pop_back();
  return true;
}

std::string_view LineSource::next() {
  if (!readLine()) {
    file_.clear();
    file_.seekg(0);
    readLine();
  }
  return line_;
}

}  // namespace tarnix
