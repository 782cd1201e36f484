// The TO LIVE band (see the header).
#include "ui/mackie/to_live_band.h"

#include <QHBoxLayout>
#include <QLabel>

#include "mackie/engine/engine.h"
#include "ui/mackie/choice_box.h"
#include "ui/mackie/steady_text.h"
#include "ui/mackie/style.h"

namespace {

// A chosen port that is not there now stays in the list, so the choice shows what the settings hold.
void keepChosen(std::vector<MKChoiceBox::Option>& options, const std::string& chosen) {
  for (const auto& option : options)
    if (option.id == chosen) return;
  options.push_back({chosen, chosen + "  (not there now)"});
}

}  // namespace

MKToLiveBand::MKToLiveBand(std::weak_ptr<MKEngine> engine, QWidget* parent)
    : ui::Band("TO LIVE — WHAT GOES OUT", ui::mkBand(2), parent),
      engine_(std::move(engine)),
      lines_(new MKSteadyText(this)),
      out_(new MKChoiceBox(this)),
      back_(new MKChoiceBox(this)) {
  lines_->setObjectName("toLive");
  out_->setObjectName("out");
  out_->setAccessibleName("the bus towards Live");
  out_->setToolTip("where the Mackie Control messages go: the bus Live's MackieControl surface listens on");
  back_->setObjectName("back");
  back_->setAccessibleName("lights from");
  back_->setToolTip("where Live's own lights come back: optional, a second bus");
  const auto reread = [this] {
    if (const auto e = engine_.lock()) rereadPorts(*e);
  };
  out_->reread = reread;
  back_->reread = reread;
  out_->pick = [this](const std::string& name) {
    if (const auto e = engine_.lock()) e->setOut(name);
  };
  back_->pick = [this](const std::string& name) {
    if (const auto e = engine_.lock()) e->setBack(name);
  };

  body()->addWidget(lines_);
  auto* choices = new QHBoxLayout();
  choices->addWidget(out_);
  choices->addSpacing(12);
  choices->addWidget(new QLabel("lights from", this));
  choices->addWidget(back_);
  choices->addStretch(1);
  body()->addLayout(choices);
}

void MKToLiveBand::rereadPorts(MKEngine& engine) {
  read_ = true;
  seen_ = {engine.openSources(), engine.view().outName, engine.outWant(), engine.back()};
  std::vector<MKChoiceBox::Option> out = {{"", "the first IAC bus, or Midi Through"}};
  for (const auto& d : engine.destinations())
    out.push_back({d.name, d.name});
  keepChosen(out, engine.outWant());
  out_->setOptions(out);
  std::vector<MKChoiceBox::Option> back = {{"", "nowhere"}};
  for (const auto& s : engine.sources())
    back.push_back({s.name, engine.label(s.name)});
  keepChosen(back, engine.back());
  back_->setOptions(back);
}

void MKToLiveBand::redraw(MKEngine& engine) {
  lines_->setText(ui::qs(engine.sentLine() + "  ·  " + engine.backLine()));
  if (!read_ || Seen{engine.openSources(), engine.view().outName, engine.outWant(), engine.back()} != seen_)
    rereadPorts(engine);
  out_->setChosen(engine.outWant());
  back_->setChosen(engine.back());
}
