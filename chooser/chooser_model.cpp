#include "chooser/chooser_model.h"

#include <algorithm>
#include <cctype>

#include "chooser/demo_manager.h"

namespace tarnix {
namespace {

namespace admin = kx::admin;

ChooserModel::State stateOf(const admin::ManagerInfo& info) {
  if (info.damaged) return ChooserModel::State::kDamaged;
  if (info.unreachable) return ChooserModel::State::kUnreachable;
  return info.running ? ChooserModel::State::kRunning : ChooserModel::State::kStopped;
}

bool holdsIgnoringCase(std::string_view text, std::string_view part) {
  const auto same = [](char a, char b) {
    return std::tolower(static_cast<unsigned char>(a)) ==
           std::tolower(static_cast<unsigned char>(b));
  };
  return std::search(text.begin(), text.end(), part.begin(), part.end(), same) != text.end() ||
         part.empty();
}

}  // namespace

std::string_view stateWord(ChooserModel::State state) {
  switch (state) {
    case ChooserModel::State::kRunning:
      return "running";
    case ChooserModel::State::kStopped:
      return "stopped";
    case ChooserModel::State::kDamaged:
      return "damaged";
    case ChooserModel::State::kUnreachable:
      return "unreachable";
  }
  return "";
}

ChooserModel::ChooserModel(tk::Memory& memory) : memory_(memory) {}

const ChooserModel::Manager* ChooserModel::selectedManager() const {
  return selected_ ? &managers_[*selected_] : nullptr;
}

std::optional<std::size_t> ChooserModel::find(std::string_view manager) const {
  for (std::size_t i = 0; i < managers_.size(); ++i) {
    if (managers_[i].name == manager) return i;
  }
  return std::nullopt;
}

admin::Status ChooserModel::load(const std::optional<std::string>& asked) {
  managers_.clear();
  selected_.reset();
  queues_.clear();
  shown_.clear();
  chosen_.clear();
  remembered_ = recallChoice(memory_);
  if (admin::Status status = readManagers(); !status) return status;

  admin::Status note;
  std::optional<std::size_t> first;
  if (asked) {
    std::string name = *asked;
    if (name.empty()) note = admin::defaultQueueManager(name);
    if (note) {
      first = find(name);
      if (!first) {
        note = {kx::reason::kQueueManagerNameError,
                "there is no queue manager '" + name + "' in " + admin::dataDirectory().string()};
      }
    }
  }
  if (!first) first = find(remembered_.manager);
  if (!first) {
    std::string name;
    if (admin::defaultQueueManager(name)) first = find(name);
  }
  if (!first && !managers_.empty()) first = 0;
  if (!first) return note;
  admin::Status status = select(*first);
  return note ? status : note;
}

admin::Status ChooserModel::select(std::size_t index) {
  selected_ = index;
  queues_.clear();
  chosen_.clear();
  std::vector<admin::QueueInfo> listed;
  admin::Status status = admin::listQueues(managers_[index].name, listed);
  for (const admin::QueueInfo& info : listed) {
    Queue queue{info.name, info.alias, info.target, std::nullopt, std::nullopt};
    if (!info.alias) {
      queue.depth = info.depth;
      queue.maxDepth = info.maxDepth;
    }
    queues_.push_back(std::move(queue));
  }
  // An alias shows the depths of the queue it stands for.
  for (Queue& queue : queues_) {
    if (!queue.alias) continue;
    for (const admin::QueueInfo& info : listed) {
      if (info.name == queue.target && !info.alias) {
        queue.depth = info.depth;
        queue.maxDepth = info.maxDepth;
      }
    }
  }
  std::ranges::sort(queues_, {}, &Queue::name);
  if (remembered_.manager == managers_[index].name) {
    for (const std::string& name : remembered_.queues) tick(name, true);
  }
  applyFilter();
  return status;
}

void ChooserModel::setFilter(std::string_view text) {
  filter_ = text;
  applyFilter();
}

void ChooserModel::applyFilter() {
  shown_.clear();
  for (std::size_t i = 0; i < queues_.size(); ++i) {
    if (holdsIgnoringCase(queues_[i].name, filter_)) shown_.push_back(i);
  }
}

bool ChooserModel::isTicked(std::string_view queue) const {
  return std::ranges::find(chosen_, queue) != chosen_.end();
}

bool ChooserModel::tick(std::string_view queue, bool on) {
  if (std::ranges::find(queues_, queue, &Queue::name) == queues_.end()) return false;
  const auto at = std::ranges::find(chosen_, queue);
  if (!on) {
    if (at != chosen_.end()) chosen_.erase(at);
    return true;
  }
  if (at != chosen_.end()) return true;
  if (chosen_.size() >= kMostQueues) return false;
  chosen_.emplace_back(queue);
  return true;
}

bool ChooserModel::moveUp(std::size_t index) {
  if (index == 0 || index >= chosen_.size()) return false;
  std::swap(chosen_[index - 1], chosen_[index]);
  return true;
}

bool ChooserModel::moveDown(std::size_t index) {
  if (index + 1 >= chosen_.size()) return false;
  std::swap(chosen_[index], chosen_[index + 1]);
  return true;
}

Choice ChooserModel::confirm(std::string& why) {
  Choice choice{selected_ ? managers_[*selected_].name : std::string(), chosen_};
  if (rememberChoice(memory_, choice, why)) why.clear();
  remembered_ = choice;
  return choice;
}

admin::Status ChooserModel::readManagers() {
  std::vector<admin::ManagerInfo> listed;
  if (admin::Status status = admin::listQueueManagers(listed); !status) return status;
  managers_.clear();
  for (const admin::ManagerInfo& info : listed) {
    managers_.push_back(Manager{info.name, stateOf(info), info.inPostgres, info.isDefault});
  }
  std::ranges::sort(managers_, {}, &Manager::name);
  return {};
}

admin::Status ChooserModel::reselect(const std::string& name,
                                     const std::vector<std::string>& ticks) {
  selected_.reset();
  queues_.clear();
  shown_.clear();
  chosen_.clear();
  if (admin::Status status = readManagers(); !status) return status;
  selected_ = find(name);
  if (!selected_) return {};
  admin::Status status = select(*selected_);
  chosen_.clear();
  for (const std::string& queue : ticks) tick(queue, true);
  return status;
}

admin::Status ChooserModel::startSelected() {
  if (!selected_) return {kx::reason::kQueueManagerNameError, "no queue manager is selected"};
  const std::string name = managers_[*selected_].name;
  if (admin::Status status = admin::startQueueManager(name); !status) return status;
  return reselect(name, std::vector<std::string>(chosen_));
}

admin::Status ChooserModel::makeDemo() {
  bool made = false;
  if (admin::Status status = prepareDemo(made); !status) return status;
  return reselect(kDemoManager, demoQueues());
}

}  // namespace tarnix
