#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace tarnix {

// Text of at most N characters, held in place like the fixed fields it stands for. Text that
// does not fit is refused whole rather than cut, so a caller never stores half a name.
template <std::size_t N>
class BoundedText {
 public:
  static constexpr std::size_t kCapacity = N;

  BoundedText() = default;

  // False, and the old text kept, when `text` is longer than N characters.
  bool assign(std::string_view text) {
    if (text.size() > N) return false;
    text.copy(chars_.data(), text.size());
    chars_[text.size()] = '\0';
    size_ = text.size();
    return true;
  }

  std::string_view view() const { return {chars_.data(), size_}; }
  std::string str() const { return std::string(view()); }
  std::size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }

  friend bool operator==(const BoundedText& a, const BoundedText& b) {
    return a.view() == b.view();
  }

 private:
  std::array<char, N + 1> chars_{};
  std::size_t size_ = 0;
};

}  // namespace tarnix
