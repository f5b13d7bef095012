#include "platform/messaging/message_fields.h"

namespace kx {

const MessageField* messageField(std::string_view name) {
  for (const MessageField& field : kMessageFields) {
    if (name == field.name) return &field;
  }
  return nullptr;
}

void copyField(const MessageField& field, const QueueMessage& from, QueueMessage& to) {
  switch (field.kind) {
    case FieldKind::kNumber:
    case FieldKind::kFlag:
      to.*field.number = from.*field.number;
      break;
    case FieldKind::kText:
      to.*field.text = from.*field.text;
      break;
    case FieldKind::kId:
      to.*field.id = from.*field.id;
      break;
  }
}

}  // namespace kx
