// How a QtWindow makes its widgets from the dialog's template: the window's frame, one widget per
// control by its kind, the tab order and the group frames behind their controls.
#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>

#include "platform/toolkit/message_box.h"
#include "platform/toolkit/qt/colour_label.h"
#include "platform/toolkit/qt/colour_line_edit.h"
#include "platform/toolkit/qt/dialog_font.h"
#include "platform/toolkit/qt/dialog_widget.h"
#include "platform/toolkit/qt/group_frame.h"
#include "platform/toolkit/qt/push_button.h"
#include "platform/toolkit/qt/qt_colours.h"
#include "platform/toolkit/qt/qt_progress_sink.h"
#include "platform/toolkit/qt/qt_text.h"
#include "platform/toolkit/qt/qt_window.h"
#include "platform/toolkit/qt/radio_button.h"
#include "platform/toolkit/qt/spin_arrows.h"
#include "platform/toolkit/qt/tool_tip_ask.h"

namespace tk {
namespace {

bool takesFocus(ControlKind kind) {
  switch (kind) {
    case ControlKind::Edit:
    case ControlKind::PushButton:
    case ControlKind::CheckBox:
    case ControlKind::RadioButton:
    case ControlKind::Spin:
    case ControlKind::ComboBox:
    case ControlKind::List:
      return true;
    case ControlKind::Label:
    case ControlKind::GroupBox:
    case ControlKind::ProgressBar:
      return false;
  }
  return false;
}

Qt::WindowFlags windowFlagsOf(std::uint32_t styles) {
  if ((styles & (style::kMinimiseBox | style::kMaximiseBox)) == 0) {
    // Customised, so that the window manager offers no box the template does not have.
    return Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
           Qt::WindowCloseButtonHint;
  }
  Qt::WindowFlags flags = Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
  if ((styles & style::kMinimiseBox) != 0) flags |= Qt::WindowMinimizeButtonHint;
  if ((styles & style::kMaximiseBox) != 0) flags |= Qt::WindowMaximizeButtonHint;
  return flags;
}

}  // namespace

void QtWindow::build() {
  const DialogTemplate& t = dialog_.dialogTemplate();
  widget_->setWindowFlags(windowFlagsOf(t.styles));
  widget_->setFont(dialogFont(t));
  widget_->setWindowTitle(fromUtf8(t.title));
  widget_->resize(units_.x(t.width), units_.y(t.height));
  // A frame without a sizing border keeps the template's size.
  if ((t.styles & style::kSizingBorder) == 0) widget_->setFixedSize(widget_->size());
  // Modal from its first show, also when the dialog shows itself during its initialisation.
  widget_->setWindowModality(Qt::ApplicationModal);
  widget_->cancel = [this] {
    if (!ended_) endDialog(kIdCancel);
  };
  widget_->leftButtonUp = [this] { notify(kNoId, Notify::LeftButtonUp); };
  timer_ = new QTimer(widget_.get());
  timer_->setObjectName(QStringLiteral("tkTimer"));
  QObject::connect(timer_, &QTimer::timeout, widget_.get(), [this] { notify(0, Notify::Timer); });

  controls_.reserve(t.controls.size());
  for (std::size_t i = 0; i < t.controls.size(); ++i) {
    controls_.push_back(Control{&t.controls[i], nullptr, nullptr, nullptr});
    controls_[i].widget = makeControl(t.controls[i], i);
  }

  QWidget* previous = nullptr;
  for (const Control& c : controls_) {
    if (!c.tmpl->has(attr::kTabStop) || !takesFocus(c.tmpl->kind)) continue;
    if (previous != nullptr) QWidget::setTabOrder(previous, c.widget);
    previous = c.widget;
  }
  // A group box is a frame behind the controls it surrounds, wherever the template lists it.
  for (const Control& c : controls_) {
    if (c.tmpl->kind == ControlKind::GroupBox) c.widget->lower();
  }
}

QWidget* QtWindow::makeControl(const ControlTemplate& t, std::size_t index) {
  QWidget* w = nullptr;
  switch (t.kind) {
    case ControlKind::Edit:
      w = t.has(attr::kMultiLine) ? makeMultiLineEdit(t) : makeLineEdit(t);
      break;
    case ControlKind::Label:
      w = makeLabel(t);
      break;
    case ControlKind::PushButton:
      w = makePushButton(t);
      break;
    case ControlKind::CheckBox:
      w = makeCheckBox(t);
      break;
    case ControlKind::RadioButton:
      w = makeRadioButton(t, index);
      break;
    case ControlKind::GroupBox:
      w = makeGroupBox(t);
      break;
    case ControlKind::Spin:
      controls_[index].spin = std::make_unique<SpinModel>(t.attrs);
      w = new SpinArrows(widget_.get(), t.has(attr::kSpinArrowKeys),
                         [this, index](bool up) { controls_[index].spin->step(*this, up); });
      break;
    case ControlKind::ProgressBar: {
      auto* bar = new QProgressBar(widget_.get());
      bar->setTextVisible(false);
      controls_[index].progress = std::make_shared<QtProgressSink>(bar);
      w = bar;
      break;
    }
    case ControlKind::ComboBox:
      w = makeComboBox(t);
      break;
    case ControlKind::List:
      w = makeList(t);
      break;
  }
  placeControl(*w, t, index);
  return w;
}

ColourAsk QtWindow::colourAsk(const ControlTemplate& t) {
  return [this, id = t.id, kind = t.kind] { return askColour(id, kind); };
}

QWidget* QtWindow::makeMultiLineEdit(const ControlTemplate& t) {
  auto* edit = new QPlainTextEdit(fromUtf8(t.label), widget_.get());
  edit->setReadOnly(t.has(attr::kReadOnly));
  edit->setVerticalScrollBarPolicy(t.has(attr::kVScroll) ? Qt::ScrollBarAlwaysOn
                                                         : Qt::ScrollBarAlwaysOff);
  edit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  if (t.has(attr::kNoBorder)) edit->setFrameShape(QFrame::NoFrame);
  QObject::connect(edit, &QPlainTextEdit::textChanged, widget_.get(),
                   [this, id = t.id] { notify(id, Notify::Change); });
  new PaletteColours(edit, edit->viewport(), colourAsk(t));
  return edit;
}

QWidget* QtWindow::makeLineEdit(const ControlTemplate& t) {
  auto* edit =
      new ColourLineEdit(widget_.get(), colourAsk(t), t.has(attr::kDigitsOnly), t.textLimit);
  edit->setText(fromUtf8(t.label));
  edit->setReadOnly(t.has(attr::kReadOnly));
  edit->setFrame(!t.has(attr::kNoBorder));
  QObject::connect(edit, &QLineEdit::textChanged, widget_.get(),
                   [this, id = t.id] { notify(id, Notify::Change); });
  edit->onDoubleClick([this, id = t.id] { notify(id, Notify::DoubleClick); });
  return edit;
}

QWidget* QtWindow::makeLabel(const ControlTemplate& t) {
  auto* text = new ColourLabel(fromUtf8(t.label), widget_.get(), colourAsk(t));
  text->setAlignment((t.has(attr::kCentred) ? Qt::AlignHCenter : Qt::AlignLeft) | Qt::AlignTop);
  text->setWordWrap(t.has(attr::kMultiLine));
  return text;
}

QWidget* QtWindow::makePushButton(const ControlTemplate& t) {
  auto* button = new PushButton(fromUtf8(t.label), widget_.get());
  button->setDefault(t.has(attr::kDefaultButton));
  QObject::connect(button, &QPushButton::clicked, widget_.get(),
                   [this, id = t.id] { notify(id, Notify::Click); });
  new PaletteColours(button, button, colourAsk(t));
  return button;
}

QWidget* QtWindow::makeCheckBox(const ControlTemplate& t) {
  auto* box = new QCheckBox(fromUtf8(t.label), widget_.get());
  if (t.has(attr::kLabelLeft)) box->setLayoutDirection(Qt::RightToLeft);
  QObject::connect(box, &QCheckBox::clicked, widget_.get(),
                   [this, id = t.id] { notify(id, Notify::Click); });
  new PaletteColours(box, box, colourAsk(t));
  return box;
}

QWidget* QtWindow::makeRadioButton(const ControlTemplate& t, std::size_t index) {
  auto* radio = new RadioButton(fromUtf8(t.label), widget_.get());
  // Checking clears the group before the click is reported, by the user or the program.
  QObject::connect(radio, &QRadioButton::toggled, widget_.get(), [this, index](bool on) {
    if (on) clearRadioGroup(index);
  });
  QObject::connect(radio, &QRadioButton::clicked, widget_.get(),
                   [this, id = t.id] { notify(id, Notify::Click); });
  new PaletteColours(radio, radio, colourAsk(t));
  return radio;
}

QWidget* QtWindow::makeGroupBox(const ControlTemplate& t) {
  auto* group = new GroupFrame(fromUtf8(t.label), widget_.get());
  // Clicks in the frame reach the dialog's background, as the frame is only drawn there.
  group->setAttribute(Qt::WA_TransparentForMouseEvents);
  new PaletteColours(group, group, colourAsk(t));
  return group;
}

QWidget* QtWindow::makeComboBox(const ControlTemplate& t) {
  auto* combo = new QComboBox(widget_.get());
  combo->setEditable(!t.has(attr::kDropDownList));
  combo->setInsertPolicy(QComboBox::NoInsert);
  // Typed text is taken as typed, never completed to an item.
  if (combo->isEditable()) combo->setCompleter(nullptr);
  for (std::string_view item : t.items) combo->addItem(fromUtf8(item));
  combo->setCurrentIndex(-1);
  new PaletteColours(combo, combo, colourAsk(t));
  return combo;
}

QWidget* QtWindow::makeList(const ControlTemplate& t) {
  auto* list = new QTreeWidget(widget_.get());
  list->setRootIsDecorated(false);
  list->setUniformRowHeights(true);
  list->setSelectionMode(QAbstractItemView::SingleSelection);
  list->setAllColumnsShowFocus(true);
  list->setColumnCount(static_cast<int>(t.columns.size()));
  list->header()->setSectionsMovable(false);
  auto* headings = new QTreeWidgetItem();
  for (std::size_t i = 0; i < t.columns.size(); ++i) {
    const auto column = static_cast<int>(i);
    headings->setText(column, fromUtf8(t.columns[i].heading));
    if (t.columns[i].alignRight) headings->setTextAlignment(column, Qt::AlignRight);
    list->setColumnWidth(column, units_.x(t.columns[i].width));
  }
  list->setHeaderItem(headings);
  // Only the user's changes notify: the program's are made with the list's signals blocked.
  QObject::connect(list, &QTreeWidget::currentItemChanged, widget_.get(),
                   [this, id = t.id] { notify(id, Notify::SelectionChange); });
  QObject::connect(list, &QTreeWidget::itemChanged, widget_.get(),
                   [this, id = t.id](QTreeWidgetItem*, int column) {
                     if (column == 0) notify(id, Notify::Click);
                   });
  return list;
}

void QtWindow::placeControl(QWidget& w, const ControlTemplate& t, std::size_t index) {
  const int id = t.id;
  if (id != kNoId) new ToolTipAsk(&w, [this, id] { return toolTip(id); });
  w.setProperty("tkId", id);
  w.setProperty("tkKind", static_cast<int>(t.kind));
  w.setProperty("tkIndex", static_cast<int>(index));
  if (id != kNoId) w.setObjectName(QStringLiteral("control%1").arg(id));
  PixelRect r = units_.rect(t.rect);
  // A combo box's template height is the extent of its open list; closed it is as tall as the
  // style makes it.
  if (t.kind == ControlKind::ComboBox) r.height = w.sizeHint().height();
  w.setGeometry(r.x, r.y, r.width, r.height);
  w.setEnabled(!t.has(attr::kDisabled));
  if (t.has(attr::kHidden)) w.hide();
  if (takesFocus(t.kind)) {
    w.setFocusPolicy(t.has(attr::kTabStop) ? Qt::StrongFocus : Qt::ClickFocus);
  } else {
    w.setFocusPolicy(Qt::NoFocus);
  }
}

}  // namespace tk
