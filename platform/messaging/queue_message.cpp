#include "platform/messaging/queue_message.h"

#include <cstring>
#include <utility>

namespace kx {

void QueueMessage::setData(const void* bytes, std::size_t length) {
  data_.resize(length);
  if (length > 0) std::memcpy(data_.data(), bytes, length);
  totalLength_ = length;
}

void QueueMessage::setBufferSize(std::size_t size) { bufferSize_ = size; }

void QueueMessage::receiveData(std::vector<std::uint8_t> data, std::size_t totalLength) {
  data_ = std::move(data);
  totalLength_ = totalLength;
}

}  // namespace kx
