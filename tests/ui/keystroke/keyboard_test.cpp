// The section by keyboard: Tab visits every control in the order of the screen, also after lines came and
// went; the arrows pick the kind and walk the palette, whose colour goes into the scene. (A field being typed
// keeps its text through redraws as the MK rows' fields do, tested there.)
#include <QToolButton>

#include "e16/palette.h"
#include "section_fixture.h"

namespace {

using nlohmann::json;

class KSKeyboardTest : public KSSectionTest {
 protected:
  void activate() {
    QApplication::setActiveWindow(section.get());
    QCoreApplication::processEvents();
    ASSERT_TRUE(section->isActiveWindow());
  }
  QWidget* focused() const { return QApplication::focusWidget(); }
  void press(int key) {
    QTest::keyClick(focused(), Qt::Key(key));
    settle();
  }
};

TEST_F(KSKeyboardTest, TabVisitsEveryControlInScreenOrderAlsoAfterALineCameBack) {
  openWith({keyRow(1, 7, "a"), keyRow(2, 8, "b")});
  engine->tickRow(1);
  engine->deleteTicked();
  engine->undoRedo(true);  // row 1's line is made anew, after all the others
  settle();
  activate();
  find<KSPill>("power")->setFocus();
  QStringList visited;
  for (int i = 0; i < 40 && (visited.isEmpty() || focused() != find<KSPill>("power")); ++i) {
    visited << focused()->accessibleName();
    press(Qt::Key_Tab);
  }
  QStringList expected{"ON/OFF", "DETECT DEVICE", "UNLOCK", "+ A ROW", "REDO", "DELETE", "tick every row"};
  for (const int id : {1, 2})
    for (const char* control : {"on", "LEARN", "FILTER", "number", "VALUE", "KEY", "VOLUME", "KEY cell",
                                "forget this key", "LED", "colour", "tick"})
      expected << QString("row %1 %2").arg(id).arg(control);
  expected << "CLEAR"
           << "what it did";
  EXPECT_EQ(visited, expected);
}

TEST_F(KSKeyboardTest, TheArrowsPickTheKindAndWalkThePaletteOfAllHundredColours) {
  std::filesystem::create_symlink(HELPERS_DIR "/midikeys_e16colour.py", home.path() + "/helper.py");
  home.write("Documents/live.oxie16",
             R"({"pages":[{"encoders":[{"turn_actions":[{"type":3,"nr1":7}],"color":5}]}]})");
  openWith({keyRow(1, 7, "a")});
  activate();
  in<KSPill>(1, "kindKey")->setFocus();
  press(Qt::Key_Right);
  EXPECT_EQ(engine->row(1)->kind, "volume");
  EXPECT_EQ(focused(), in<KSPill>(1, "kindVolume"));
  press(Qt::Key_Left);
  EXPECT_EQ(engine->row(1)->kind, "key");

  in<KSSwatch>(1, "colour")->setFocus();
  press(Qt::Key_Return);
  EXPECT_EQ(focused()->toolTip(), "colour 5");  // the palette opens on the knob's colour
  EXPECT_EQ(focused()->parentWidget()->accessibleName(), "row 1 ring colours");
  const auto entries = focused()->parentWidget()->findChildren<QToolButton*>();
  ASSERT_EQ(entries.size(), 100);
  for (int n = 0; n < 100; ++n)
    EXPECT_EQ(entries[n]->toolTip(), QString("colour %1").arg(n));
  press(Qt::Key_Right);
  press(Qt::Key_Down);
  press(Qt::Key_Return);  // colour 16, which goes into the scene and comes back from it
  EXPECT_EQ(in<KSSwatch>(1, "colour")->colour(), QColor::fromRgb(e16::PALETTE[16]));
}

}  // namespace
