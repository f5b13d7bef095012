#include "platform/messaging/queue_message.h"

#include <cstring>

namespace kx {

void QueueMessage::setData(const void* bytes, std::size_t length) {
  data_.resize(length);
  if (length > 0) std::memcpy(data_.data(), bytes, length);
  totalLength_ = length;
}

void QueueMessage::setBufferSize(std::size_t size) { bufferSize_ = size; }

}  // namespace kx
