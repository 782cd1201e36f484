// One line of the Key Stroke table (see the header).
#include "ui/keystroke/row_view.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "keystroke/engine.h"
#include "keystroke/rules.h"
#include "ui/keystroke/ink.h"
#include "ui/ring_palette.h"
#include "ui/wheel_guard.h"

namespace {

QString qs(const std::string& text) {
  return QString::fromStdString(text);
}

// Names a control for the program; bind() names it for people ("row N label").
template <class W>
W* named(W* widget, const char* id) {
  widget->setObjectName(id);
  return widget;
}

// A note under a line that lets every value of a knob press the key.
bool anyValue(const KSRules::KSRow& r) {
  return r.kind == "key" && r.key && KSRules::type(r.type) != "note" && !r.value;
}

}  // namespace

int KSColumns::learn() {
  return QFontMetrics(KSInk::mono(11, true)).horizontalAdvance("press a note…") + 24;
}

void KSRowView::call(const std::function<void(KSEngine&)>& operation) const {
  if (const auto engine = engine_.lock()) operation(*engine);
}

KSRowView::KSRowView(const std::shared_ptr<KSEngine>& engine, QWidget* parent)
    : QWidget(parent), engine_(engine) {
  namespace C = KSColumns;
  using nlohmann::json;
  auto* lines = new QVBoxLayout(this);
  lines->setContentsMargins(0, 0, 0, 0);
  lines->setSpacing(2);
  auto* line = new QHBoxLayout();
  line->setSpacing(C::SPACING);
  lines->addLayout(line);

  lamp_ = named(new ui::Lamp(KSInk::lamp(), this), "lamp");
  lamp_->setToolTip(
      "lights while your hand moves this row on the controller: green = it fired, amber = heard, "
      "nothing sent");
  // Each control calls one operation of the engine for this row.
  const auto calling = [this](std::function<void(KSEngine&)> operation) {
    return [this, operation = std::move(operation)] { call(operation); };
  };
  const auto setting = [&](const char* field, json value) {
    return calling([this, field, value](KSEngine& e) { e.set(id_, field, value); });
  };
  // A box flips what the engine holds now, not what the line last showed.
  const auto flipping = [&](const char* field, bool KSRow::*member) {
    return calling([this, field, member](KSEngine& e) {
      if (const auto r = e.row(id_)) e.set(id_, field, json(!((*r).*member)));
    });
  };
  const auto typing = [this](const char* field) {
    return
        [this, field](const std::string& text) { call([&](KSEngine& e) { e.set(id_, field, json(text)); }); };
  };

  on_ = named(new ui::Tick(KSInk::tick(), KSInk::green, flipping("on", &KSRow::on), this), "on");
  learn_ = new ui::Pill("LEARN", KSInk::pill(), calling([this](KSEngine& e) { e.learn(id_); }), this);
  named(learn_, "learn")->setFixedWidth(C::learn());
  filter_ = named(new QComboBox(this), "filter");
  filter_->addItems({"CC", "NOTE"});
  filter_->setFont(KSInk::mono(11, true));
  filter_->setFixedWidth(C::FILTER);
  filter_->setToolTip("LEARN takes only this kind of message");
  ui::wheelOnlyWithFocus(*filter_);
  connect(filter_, &QComboBox::activated, this, [this](int index) {
    call([&](KSEngine& e) { e.set(id_, "type", json(index == 1 ? "note" : "cc")); });
  });
  number_ = named(new ui::Field(C::NUMBER, KSInk::field(), this), "number");
  number_->commit = typing("number");
  value_ = named(new ui::Field(C::VALUE, KSInk::field(), this), "value");
  value_->commit = typing("value");
  kindKey_ = named(new ui::Pill("KEY", KSInk::pill(), setting("kind", "key"), this), "kindKey");
  kindKey_->setFixedWidth(C::KIND_KEY);
  kindVolume_ = named(new ui::Pill("VOLUME", KSInk::pill(), setting("kind", "volume"), this), "kindVolume");
  kindVolume_->setFixedWidth(C::KIND_VOLUME);
  // The two kinds are one choice: the arrows pick, and the keyboard follows the pick.
  const auto pick = [this](int step) {
    ui::Pill* to = step < 0 ? kindKey_ : kindVolume_;
    to->click();
    to->setFocus();
  };
  kindKey_->arrows = pick;
  kindVolume_->arrows = pick;
  key_ = new ui::Pill("—", KSInk::pill(), calling([this](KSEngine& e) { e.capture(id_); }), this);
  named(key_, "key")->setFixedWidth(C::KEY);
  key_->setToolTip("press to set");
  forget_ = named(new ui::Pill("×", KSInk::pill(), setting("key", ""), this), "forget");
  forget_->setFixedWidth(C::FORGET);
  forget_->setToolTip("forget this key");
  led_ = named(new ui::Tick(KSInk::tick(), KSInk::green, flipping("led", &KSRow::led), this), "led");
  swatch_ = named(new ui::Swatch(
                      KSInk::swatch(), [this] { openPalette(); }, this),
                  "colour");
  tick_ = named(new ui::Tick(KSInk::tick(), KSInk::red, calling([this](KSEngine& e) { e.tick(id_); }), this),
                "tick");
  tick_->setToolTip("tick, then DELETE above the table");

  for (QWidget* w : std::initializer_list<QWidget*>{lamp_, on_, learn_, filter_, number_, value_, kindKey_,
                                                    kindVolume_, key_, forget_, led_, swatch_})
    line->addWidget(w);
  line->addStretch(1);
  line->addWidget(tick_);

  const int indent = C::LAMP + C::ON + 2 * C::SPACING;
  clashNote_ = named(ksText(KSInk::red, this), "clash");
  clashNote_->setText("another row answers the same MIDI and value — both keys are pressed");
  anyNote_ = named(ksText(KSInk::dim, this), "any");
  anyNote_->setText("any value: the key is pressed for every message this knob sends");
  for (QLabel* note : {clashNote_, anyNote_}) {
    note->setContentsMargins(indent, 0, 0, 0);
    note->hide();
    lines->addWidget(note);
  }
}

void KSRowView::draw(const KSRowLook& look) {
  if (shown_ == look) return;
  shown_ = look;
  const auto& r = look.row;
  const bool isNote = KSRules::type(r.type) == "note";
  const bool isVolume = r.kind == "volume";

  lamp_->setLit(look.lit);
  on_->setOn(r.on);
  learn_->setText(!look.learning ? "LEARN" : isNote ? "press a note…" : "turn a knob…");
  learn_->setLook(look.learning ? ui::Pill::Look::lit : ui::Pill::Look::plain);
  filter_->setCurrentIndex(isNote ? 1 : 0);
  number_->setValue(std::to_string(r.cc));
  number_->setLit(look.learning);
  value_->setValue(KSRules::valueText(r));
  value_->setLit(look.learning && !isVolume);
  // A sweep row takes the whole range: there is no value of its own to type.
  value_->setEnabled(!isVolume);
  kindKey_->setLook(isVolume ? ui::Pill::Look::plain : ui::Pill::Look::lit);
  kindVolume_->setLook(isVolume ? ui::Pill::Look::lit : ui::Pill::Look::plain);
  const auto target = KSRules::target(r);
  key_->setText(look.capturing ? "press a key…" : target.empty() ? "—" : qs(target));
  key_->setLook(look.capturing ? ui::Pill::Look::lit : ui::Pill::Look::plain);
  forget_->setLook(r.key ? ui::Pill::Look::plain : ui::Pill::Look::ghost);
  led_->setOn(r.led);
  // A ring asked to light that this program cannot light is a warning, not a green light.
  led_->setTint(look.ring.can ? KSInk::green : KSInk::amber);
  led_->setToolTip(qs("LED: " + look.ring.says));
  swatch_->setColour(look.ring.colour ? QColor::fromRgb(*look.ring.colour) : QColor());
  swatch_->setToolTip(qs("the colour of " + (look.ring.knob.empty() ? "the knob" : look.ring.knob) +
                         ": click to change it in the scene"));
  tick_->setOn(look.ticked);
  clashNote_->setVisible(look.clash);
  anyNote_->setVisible(anyValue(r));
}

void KSRowView::bind(std::int64_t id) {
  if (id == id_) return;
  id_ = id;
  shown_.reset();
  setObjectName(QString("row %1").arg(id));
  const std::pair<QWidget*, const char*> labels[] = {{lamp_, "lamp"},        {on_, "on"},
                                                     {learn_, "LEARN"},      {filter_, "FILTER"},
                                                     {number_, "number"},    {value_, "VALUE"},
                                                     {kindKey_, "KEY"},      {kindVolume_, "VOLUME"},
                                                     {key_, "KEY cell"},     {forget_, "forget this key"},
                                                     {led_, "LED"},          {swatch_, "colour"},
                                                     {tick_, "tick"},        {clashNote_, "clash"},
                                                     {anyNote_, "any value"}};
  for (const auto& [widget, label] : labels)
    widget->setAccessibleName(QString("row %1 %2").arg(id).arg(label));
}

QString KSRowView::shape(const KSRules::KSRow& row, bool clash) {
  return QString("%1%2").arg(clash).arg(anyValue(row));
}

QList<QWidget*> KSRowView::focusables() const {
  return {on_, learn_, filter_, number_, value_, kindKey_, kindVolume_, key_, forget_, led_, swatch_, tick_};
}

void KSRowView::openPalette() {
  const std::weak_ptr<KSEngine> engine = engine_;
  const auto id = id_;
  auto* palette = new RingPalette(
      [engine, id](int colour) {
        if (const auto e = engine.lock()) e->colour(id, colour);
      },
      swatch_);
  palette->setAccessibleName(QString("row %1 ring colours").arg(id));
  palette->openBelow(swatch_, shown_ ? shown_->ring.index : -1);
}
