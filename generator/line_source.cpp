#include "generator/line_source.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/messaging/queue_message.h"

namespace tarnix {
namespace {

// How many characters the scan reads between two looks at a stop request.
constexpr std::size_t kStopCheckEvery = std::size_t{1} << 16;

}  // namespace

LineSource::Opened LineSource::open(const std::string& path, const std::stop_token& stop,
                                    std::string& why) {
  file_.reset();
  bufferSize_ = 10;
  // Without O_NONBLOCK, opening a pipe would wait for a writer that may never come.
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) {
    why = std::strerror(errno);
    return Opened::CannotOpen;
  }
  struct stat status {};
  if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
    const int error = errno;
    if (S_ISDIR(status.st_mode)) {
      why = std::strerror(EISDIR);
    } else {
      why = S_ISREG(status.st_mode) ? std::strerror(error) : "not a regular file";
    }
    ::close(fd);
    return Opened::CannotOpen;
  }
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  file_.reset(::fdopen(fd, "rb"));
  if (!file_) {
    why = std::strerror(errno);
    ::close(fd);
    return Opened::CannotOpen;
  }
  const Opened scanned = scan(stop);
  if (scanned != Opened::Ready) file_.reset();
  return scanned;
}

// One pass over the file finds its longest line; the buffer doubles until that fits.
LineSource::Opened LineSource::scan(const std::stop_token& stop) {
  std::FILE* file = file_.get();
  std::size_t longest = 0;  // characters, a line end counted as one
  std::size_t length = 0;   // of the line read so far, without its line end
  bool anyLine = false;
  bool afterReturn = false;
  std::size_t read = 0;
  for (int c = getc_unlocked(file); c != EOF; c = getc_unlocked(file)) {
    if (++read % kStopCheckEvery == 0 && stop.stop_requested()) return Opened::Stopped;
    anyLine = true;
    if (c == '\n') {
      longest = std::max(longest, length - (afterReturn ? 1 : 0) + 1);
      length = 0;
      afterReturn = false;
      continue;
    }
    afterReturn = c == '\r';
    // One more than a message can hold, for the carriage return of a line end.
    if (++length > kx::kMaxMessageLength + 1) return Opened::LineTooLong;
  }
  if (std::ferror(file) != 0) return Opened::CannotOpen;
  if (!anyLine) return Opened::NoLines;
  // A last line without its line end keeps a carriage return as its own.
  if (length > kx::kMaxMessageLength) return Opened::LineTooLong;
  longest = std::max(longest, length);
  if (longest > kx::kMaxMessageLength + 1) return Opened::LineTooLong;
  while (bufferSize_ < longest + 2) bufferSize_ *= 2;
  line_.reserve(bufferSize_);
  std::rewind(file);
  return Opened::Ready;
}

bool LineSource::readLine() {
  std::FILE* file = file_.get();
  line_.clear();
  for (int c = 0; line_.size() + 1 < bufferSize_ && (c = getc_unlocked(file)) != EOF;) {
    line_.push_back(static_cast<char>(c));
    if (c == '\n') break;
  }
  if (line_.empty()) return false;
  if (line_.back() == '\n') {
    line_.pop_back();
    if (!line_.empty() && line_.back() == '\r') line_.pop_back();
  }
  return true;
}

std::string_view LineSource::next() {
  if (!readLine()) {
    std::rewind(file_.get());
    readLine();
  }
  return line_;
}

}  // namespace tarnix
