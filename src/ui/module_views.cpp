// The modules' screens for now: each engine's own account of itself, its reason line and its trace, redrawn
// whenever the engine publishes a change.
#include "ui/module_views.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QVBoxLayout>

#include "keystroke/engine.h"
#include "mackie/engine/engine.h"
#include "ui/colours.h"
#include "ui/mackie/section.h"

namespace {

// The reason line and the trace of one engine; `Engine` has why(), trace and subscribe/unsubscribe.
template <class Engine>
class EngineView : public QWidget {
 public:
  explicit EngineView(const std::shared_ptr<Engine>& engine) : engine_(engine) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 8, 0, 0);
    why_ = new QLabel(this);
    why_->setWordWrap(true);
    why_->setFont(ui::monospaced(11));
    trace_ = new QPlainTextEdit(this);
    trace_->setReadOnly(true);
    trace_->setFont(ui::monospaced(11));
    trace_->setMinimumHeight(260);
    trace_->setAccessibleName("trace");
    layout->addWidget(why_);
    layout->addWidget(trace_, 1);
    subscription_ = engine->subscribe([this] { redraw(); });
    redraw();
  }
  ~EngineView() override {
    if (const auto engine = engine_.lock()) engine->unsubscribe(subscription_);
  }

 private:
  void redraw() {
    const auto engine = engine_.lock();
    if (!engine) return;
    const auto [text, problem] = engine->why();
    why_->setText(QString::fromStdString(text));
    why_->setStyleSheet(QString("color: %1;").arg((problem ? ui::AMBER : ui::GREY).name()));
    QString lines;
    for (const auto& line : engine->trace.lines())
      lines += QString::fromStdString(line) + '\n';
    if (lines != trace_->toPlainText()) {
      trace_->setPlainText(lines);
      trace_->moveCursor(QTextCursor::End);
    }
  }

  std::weak_ptr<Engine> engine_;
  int subscription_ = 0;
  QLabel* why_ = nullptr;
  QPlainTextEdit* trace_ = nullptr;
};

}  // namespace

QWidget* mackieView(const std::shared_ptr<MKEngine>& engine) {
  return new MKSection(engine);
}

QWidget* keyStrokeView(const std::shared_ptr<KSEngine>& engine) {
  return new EngineView<KSEngine>(engine);
}
