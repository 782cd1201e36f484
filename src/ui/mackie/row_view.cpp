// One row of the MK table on screen (see the header).
#include "ui/mackie/row_view.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "mackie/core/rules.h"
#include "mackie/core/says.h"
#include "mackie/engine/engine.h"
#include "ui/colours.h"
#include "ui/mackie/choice_box.h"
#include "ui/mackie/command_menu.h"
#include "ui/mackie/style.h"
#include "ui/ring_palette.h"

namespace {

constexpr int WORD_POINTS = 11;
constexpr int INDENT = 34;  // the second line starts under the row's ON

const std::vector<MKChoiceBox::Option>& SOURCE_KINDS() {
  static const std::vector<MKChoiceBox::Option> kinds = {{"cc", "CC"}, {"note", "NOTE"}};
  return kinds;
}

std::vector<MKChoiceBox::Option> howOptions(const std::string& command) {
  std::vector<MKChoiceBox::Option> out;
  for (const auto& how : MKRules::hows(command))
    out.push_back({std::string(how.id), std::string(how.label)});
  return out;
}

std::string howSays(const MKRules::MKRow& row) {
  for (const auto& how : MKRules::hows(row.command))
    if (how.id == row.how) return std::string(how.says);
  return {};
}

void setTextColour(QLabel* label, const QColor& colour) {
  QPalette p = label->palette();
  p.setColor(QPalette::WindowText, colour);
  label->setPalette(p);
}

}  // namespace

template <class Op>
void MKRowView::withEngine(Op op) {
  if (const auto engine = engine_.lock()) op(*engine);
}

MKRowView::MKRowView(std::weak_ptr<MKEngine> engine, QWidget* parent)
    : QWidget(parent),
      engine_(std::move(engine)),
      tick_(new ui::Tick(ui::mkTick(), ui::MK_RED, {}, this)),
      lamp_(new ui::Lamp(ui::mkLamp(), this)),
      on_(new ui::Pill("ON", ui::mkWord(WORD_POINTS), {}, this)),
      from_(new MKChoiceBox(this)),
      number_(new ui::Field(44, ui::mkField(), this)),
      value_(new ui::Field(56, ui::mkField(), this)),
      learn_(new ui::Pill("LEARN", ui::mkWord(WORD_POINTS), {}, this)),
      command_(new MKCommandMenu(this)),
      how_(new MKChoiceBox(this)),
      invert_(new ui::Pill("INVERT", ui::mkWord(WORD_POINTS), {}, this)),
      led_(new ui::Pill("LED", ui::mkWord(WORD_POINTS), {}, this)),
      colour_(new ui::Swatch(ui::mkSwatch(), {}, this)),
      try_(new ui::Pill("TRY", ui::mkWord(WORD_POINTS), {}, this)),
      clash_(new QLabel("CLASH", this)),
      says_(new QLabel(this)) {
  tick_->setObjectName("tick");
  tick_->setToolTip("tick, then DELETE above the table");
  tick_->action = [this] { withEngine([this](MKEngine& e) { e.tick(shown_.row.id); }); };

  lamp_->setObjectName("lamp");
  lamp_->setToolTip("lights while your hand moves this row: green = it fired, amber = heard, nothing sent");

  on_->setObjectName("on");
  on_->action = [this] { withEngine([this](MKEngine& e) { e.set(shown_.row.id, "on", !shown_.row.on); }); };

  from_->setObjectName("from");
  from_->setFixedWidth(70);
  from_->setOptions(SOURCE_KINDS());
  from_->pick = [this](const std::string& kind) {
    withEngine([&](MKEngine& e) { e.set(shown_.row.id, "from", kind); });
  };

  number_->setObjectName("number");
  number_->commit = [this](const std::string& typed) {
    withEngine([&](MKEngine& e) { e.set(shown_.row.id, "number", typed); });
  };

  value_->setObjectName("value");
  value_->commit = [this](const std::string& typed) {
    // Nothing typed is "any value", said as the engine says it.
    withEngine([&](MKEngine& e) {
      e.set(shown_.row.id, "value",
            typed.find_first_not_of(" \t") == std::string::npos ? std::nullopt
                                                                : std::optional<nlohmann::json>(typed));
    });
  };

  learn_->setObjectName("learn");
  // Wide enough for its longest reading, so that the line does not move when learning starts.
  learn_->setFixedWidth(ui::Pill("PRESS A NOTE…", ui::mkWord(WORD_POINTS)).sizeHint().width());
  learn_->action = [this] { withEngine([this](MKEngine& e) { e.learn(shown_.row.id); }); };

  command_->setObjectName("command");
  command_->setFixedWidth(230);
  command_->pick = [this](const std::string& id) {
    withEngine([&](MKEngine& e) { e.set(shown_.row.id, "command", id); });
  };

  how_->setObjectName("how");
  how_->setFixedWidth(120);
  how_->pick = [this](const std::string& id) {
    withEngine([&](MKEngine& e) { e.set(shown_.row.id, "how", id); });
  };

  invert_->setObjectName("invert");
  invert_->action = [this] {
    withEngine([this](MKEngine& e) { e.set(shown_.row.id, "invert", !shown_.row.invert.value_or(false)); });
  };

  led_->setObjectName("led");
  led_->action = [this] {
    withEngine([this](MKEngine& e) { e.set(shown_.row.id, "led", !shown_.row.led.value_or(false)); });
  };

  colour_->setObjectName("colour");
  connect(colour_, &QAbstractButton::clicked, this, [this] {
    auto* palette = new RingPalette(
        [this](int colour) { withEngine([&](MKEngine& e) { e.colour(shown_.row.id, colour); }); }, colour_);
    palette->openBelow(colour_, shown_.ring.index);
  });

  try_->setObjectName("try");
  try_->setToolTip("send this command once, now");
  try_->action = [this] {
    withEngine([this](MKEngine& e) {
      if (const auto r = e.row(shown_.row.id)) e.tryRow(*r);
    });
  };

  clash_->setObjectName("clash");
  clash_->setFont(ui::monospaced(WORD_POINTS, true));
  clash_->setToolTip("another row answers the same message — both are sent");
  setTextColour(clash_, ui::MK_RED);
  clash_->hide();

  says_->setObjectName("says");
  says_->setFont(ui::monospaced(9));
  says_->setWordWrap(true);
  // Plain and not selectable: a selectable label lays its text out as a document, which made measuring and
  // drawing a screenful of rows hold the loop for milliseconds.
  says_->setTextFormat(Qt::PlainText);
  setTextColour(says_, ui::GREY);

  auto* lines = new QVBoxLayout(this);
  lines->setContentsMargins(0, 2, 0, 4);
  lines->setSpacing(1);
  auto* first = new QHBoxLayout();
  first->setSpacing(4);
  for (QWidget* w : std::initializer_list<QWidget*>{tick_, lamp_, on_, from_, number_, value_, learn_,
                                                    command_, how_, invert_})
    first->addWidget(w);
  first->addStretch(1);
  auto* second = new QHBoxLayout();
  second->setSpacing(4);
  second->addSpacing(INDENT);
  for (QWidget* w : std::initializer_list<QWidget*>{led_, colour_, try_, clash_})
    second->addWidget(w);
  second->addWidget(says_, 1);
  lines->addLayout(first);
  lines->addLayout(second);
}

std::vector<QWidget*> MKRowView::controls() const {
  return {tick_, on_, from_, number_, value_, learn_, command_, how_, invert_, led_, colour_, try_};
}

QString MKRowView::shape(const MKRules::MKRow& row, bool clashes) {
  return ui::qs(MKRules::says(row)) + (clashes ? "|clash" : "");
}

void MKRowView::name(std::int64_t id) {
  const auto row = QString("row %1 ").arg(id);
  const std::pair<QWidget*, const char*> names[] = {
      {tick_, "tick"},     {lamp_, "lamp"},     {on_, "ON"},           {from_, "source kind"},
      {number_, "number"}, {value_, "value"},   {learn_, "LEARN"},     {command_, "command"},
      {how_, "how"},       {invert_, "INVERT"}, {led_, "LED"},         {colour_, "E16 colour"},
      {try_, "TRY"},       {clash_, "clash"},   {says_, "description"}};
  for (const auto& [widget, label] : names)
    widget->setAccessibleName(row + label);
}

void MKRowView::draw(const MKRowLook& look) {
  const bool first = !drawn_;
  if (!first && look == shown_) return;
  const auto& row = look.row;
  const auto& was = shown_.row;
  if (first || row.id != was.id) name(row.id);
  if (first || row != was) {
    on_->setOn(row.on);
    from_->setChosen(row.from);
    number_->setValue(std::to_string(row.number));
    value_->setValue(MKRules::valueText(row));
    // A row that takes the whole sweep has no single value to type.
    value_->setDisabled(MKRules::sweeps(row));
    const auto target = MKRules::target(row);
    command_->setCommand(row.command, target);
    command_->setToolTip(ui::qs(target));
    how_->setOptions(howOptions(row.command));
    how_->setChosen(row.how);
    how_->setToolTip(ui::qs(howSays(row)));
    invert_->setVisible(MKRules::relative(row));
    invert_->setOn(row.invert.value_or(false));
    led_->setOn(row.led.value_or(false));
    says_->setText(ui::qs(MKRules::says(row)));
  }
  if (first || look.learning != shown_.learning || row.from != was.from) {
    learn_->setText(!look.learning ? "LEARN" : row.from == "note" ? "PRESS A NOTE…" : "TURN A KNOB…");
    learn_->setOn(look.learning);
    number_->setLit(look.learning);
  }
  if (first || look.ring != shown_.ring || row.from != was.from || row.number != was.number) {
    colour_->setColour(ui::mkHex(look.ring.colour));
    const auto knob =
        look.ring.knob.empty() ? "the knob that sends " + MKRules::fromText(row) : look.ring.knob;
    colour_->setToolTip(ui::qs("the colour of " + knob + ": click to change it in the scene"));
    led_->setToolTip(ui::qs("LED: " + look.ring.says));
  }
  tick_->setOn(look.ticked);
  lamp_->setLit(look.lit);
  clash_->setVisible(look.clash);
  shown_ = look;
  drawn_ = true;
}
