// The generator's request text: options with names of any bytes are written so that the
// splitter reads every name back whole in its own field; and any text splits without harm.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/require.h"
#include "generator/request_fields.h"
#include "generator/request_text.h"

using tarnix::fuzz::require;

namespace {

// Takes the next name from the input: a length byte, then up to that many bytes.
std::string_view nextName(std::string_view& input, std::size_t capacity) {
  if (input.empty()) return {};
  const std::size_t wanted = static_cast<unsigned char>(input.front()) % (capacity + 1);
  input.remove_prefix(1);
  const std::string_view name = input.substr(0, wanted);
  input.remove_prefix(name.size());
  return name;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view input(reinterpret_cast<const char*>(data), size);
  (void)tarnix::splitRequest(input);

  tarnix::GenerateOptions options;
  const std::string manager(nextName(input, 48));
  const std::string queue(nextName(input, 48));
  options.source = input.empty() ? 'b' : "bqfx"[static_cast<unsigned char>(input[0]) % 4];
  options.sourceQueueName.assign(nextName(input, 48));
  options.sourceFileName.assign(nextName(input, 499));
  options.replyToQueueName.assign(nextName(input, 48));
  options.replyToQmgrName.assign(nextName(input, 48));
  options.messageCount = static_cast<std::uint32_t>(size * 2654435761u);

  const std::string request = tarnix::buildRequest(options, manager, queue);
  const std::size_t count = tarnix::splitRequest(request).size();
  require(count >= 17 && count <= tarnix::kRequestFieldCount);
  using tarnix::RequestField;
  const tarnix::RequestFields fields(request);
  require(fields.text(RequestField::Program) == "pz.exe");
  require(fields.text(RequestField::Manager) == manager);
  require(fields.text(RequestField::Queue) == queue);
  require(fields.text(RequestField::MessageCount) ==
          std::to_string(static_cast<std::int32_t>(options.messageCount)));
  const std::string& argument = fields.text(RequestField::SourceArgument);
  if (options.source == 'q') require(argument == options.sourceQueueName.view());
  if (options.source != 'q' && options.source != 'b') {
    require(argument == options.sourceFileName.view());
  }
  require(fields.text(RequestField::ReplyToQueue) == options.replyToQueueName.view());
  require(fields.text(RequestField::ReplyToQmgr) == options.replyToQmgrName.view());
  return 0;
}
