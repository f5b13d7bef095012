#include "generator/generate_options_dialog.h"

#include <array>
#include <cstdint>

#include "generator/options_controls.h"
#include "generator/options_template.h"
#include "platform/toolkit/message_box.h"

namespace tarnix {
namespace {

namespace id = optctl;

// Texts are read with room for the longest field, the file name; a name longer than its own
// field is refused by the field and keeps its value.
constexpr std::size_t kTextReadLimit = kFileNameCapacity;

// The report word's bits for a report that is wanted, by its kind: none, with data, with full
// data. A kind that is no item (typed text) counts as none.
struct ReportBits {
  std::uint32_t none;
  std::uint32_t withData;
  std::uint32_t withFullData;
  std::uint32_t of(std::int32_t kind) const {
    return kind == 2 ? withFullData : kind == 1 ? withData : none;
  }
};
constexpr ReportBits kCoa{0x100, 0x300, 0x700};
constexpr ReportBits kCod{0x800, 0x1800, 0x3800};
constexpr ReportBits kException{0x1000000, 0x3000000, 0x7000000};
constexpr ReportBits kExpiration{0x200000, 0x600000, 0xE00000};
constexpr std::uint32_t kPan = 0x1;
constexpr std::uint32_t kNan = 0x2;
// Added when the choice is anything but its first item, "no item" included.
constexpr std::uint32_t kDiscard = 0x8000000;
constexpr std::uint32_t kPassMsgId = 0x80;
constexpr std::uint32_t kPassCorrelId = 0x40;

std::int32_t flag(const tk::Window& w, int control) { return w.isChecked(control) ? 1 : 0; }

}  // namespace

GenerateOptionsDialog::GenerateOptionsDialog(GenerateOptions& options)
    : tk::TableDialog<GenerateOptionsDialog>(optionsTemplate()), options_(options) {}

std::span<const tk::EventEntry<GenerateOptionsDialog>> GenerateOptionsDialog::eventTable() {
  using D = GenerateOptionsDialog;
  static constexpr std::array kTable = {
      tk::on<D>(id::kHappy, tk::Notify::Click, &D::confirm),
      tk::on<D>(id::kCancel, tk::Notify::Click, &D::cancel),
  };
  return kTable;
}

// Every control starts unticked and empty, so only what is on is written.
void GenerateOptionsDialog::onInitDialog() {
  tk::Window& w = window();
  const GenerateOptions& o = options_;
  w.setUnsigned(id::kMessageCount, o.messageCount);
  w.setUnsigned(id::kSleepMs, o.sleepMs);
  if (o.randomSleep != 0) w.setChecked(id::kRandomSleep, true);
  w.setChecked(o.source == 'f' ? id::kFile : o.source == 'q' ? id::kQueue : id::kRandom, true);
  w.setUnsigned(id::kRandomLength, o.randomLength);
  w.setText(id::kSourceQueue, o.sourceQueueName.view());
  w.setText(id::kSourceFile, o.sourceFileName.view());
  w.setText(id::kReplyToQueue, o.replyToQueueName.view());
  w.setText(id::kReplyToQmgr, o.replyToQmgrName.view());
  for (const auto& [on, control] : {std::pair{o.correlIdOption, id::kCorrelId},
                                    {o.persistentOption, id::kPersistent},
                                    {o.preserveMsgId, id::kPreserveMsgId},
                                    {o.preserveCorrelId, id::kPreserveCorrelId}}) {
    if (on != 0) w.setChecked(control, true);
  }
  w.setUnsigned(id::kExpiryTenths, o.expiryTenths);
  for (const auto& [on, control] : {std::pair{o.reportCoa, id::kCoa},
                                    {o.reportCod, id::kCod},
                                    {o.reportException, id::kException},
                                    {o.reportExpiration, id::kExpiration},
                                    {o.reportPan, id::kPan},
                                    {o.reportNan, id::kNan}}) {
    if (on != 0) w.setChecked(control, true);
  }
  for (const auto& [index, control] : {std::pair{o.coaKind, id::kCoaKind},
                                       {o.codKind, id::kCodKind},
                                       {o.exceptionKind, id::kExceptionKind},
                                       {o.expirationKind, id::kExpirationKind},
                                       {o.discardChoice, id::kDiscardChoice},
                                       {o.msgIdChoice, id::kMsgIdChoice},
                                       {o.correlIdChoice, id::kCorrelIdChoice}}) {
    w.selectItem(control, index);  // -1 clears the selection
  }
}

void GenerateOptionsDialog::confirm() {
  const tk::Window& w = window();
  GenerateOptions& o = options_;
  o.messageCount = w.readUnsigned(id::kMessageCount);
  o.sleepMs = w.readUnsigned(id::kSleepMs);
  o.randomSleep = flag(w, id::kRandomSleep);
  o.correlIdOption = flag(w, id::kCorrelId);
  o.persistentOption = flag(w, id::kPersistent);
  o.preserveMsgId = flag(w, id::kPreserveMsgId);
  o.preserveCorrelId = flag(w, id::kPreserveCorrelId);
  o.expiryTenths = w.readUnsigned(id::kExpiryTenths);
  o.reportCoa = flag(w, id::kCoa);
  o.reportCod = flag(w, id::kCod);
  o.reportException = flag(w, id::kException);
  o.reportExpiration = flag(w, id::kExpiration);
  o.reportPan = flag(w, id::kPan);
  o.reportNan = flag(w, id::kNan);
  // The last button found on wins; with none on, the source stays.
  if (w.isChecked(id::kQueue)) o.source = 'q';
  if (w.isChecked(id::kFile)) o.source = 'f';
  if (w.isChecked(id::kRandom)) o.source = 'b';
  o.randomLength = w.readUnsigned(id::kRandomLength);
  o.sourceQueueName.assign(w.text(id::kSourceQueue, kTextReadLimit));
  o.sourceFileName.assign(w.text(id::kSourceFile, kTextReadLimit));
  o.replyToQueueName.assign(w.text(id::kReplyToQueue, kTextReadLimit));
  o.replyToQmgrName.assign(w.text(id::kReplyToQmgr, kTextReadLimit));
  composeReportOptions();
  window().endDialog(tk::kIdOk);
}

void GenerateOptionsDialog::cancel() { window().endDialog(tk::kIdCancel); }

void GenerateOptionsDialog::composeReportOptions() {
  const tk::Window& w = window();
  GenerateOptions& o = options_;
  std::uint32_t word = 0;
  if (o.reportCoa != 0) {
    o.coaKind = w.selectedItem(id::kCoaKind);
    word = kCoa.of(o.coaKind);
  }
  if (o.reportCod != 0) {
    o.codKind = w.selectedItem(id::kCodKind);
    word |= kCod.of(o.codKind);
  }
  if (o.reportException != 0) {
    o.exceptionKind = w.selectedItem(id::kExceptionKind);
    word |= kException.of(o.exceptionKind);
  }
  if (o.reportExpiration != 0) {
    o.expirationKind = w.selectedItem(id::kExpirationKind);
    word |= kExpiration.of(o.expirationKind);
  }
  if (o.reportPan != 0) word |= kPan;
  if (o.reportNan != 0) word |= kNan;
  // The choices only qualify reports that are asked for.
  if (word != 0) {
    o.discardChoice = w.selectedItem(id::kDiscardChoice);
    o.msgIdChoice = w.selectedItem(id::kMsgIdChoice);
    o.correlIdChoice = w.selectedItem(id::kCorrelIdChoice);
    if (o.discardChoice != 0) word |= kDiscard;
    if (o.msgIdChoice != 0) word |= kPassMsgId;
    if (o.correlIdChoice != 0) word |= kPassCorrelId;
  }
  o.reportOptions = word;
}

}  // namespace tarnix
