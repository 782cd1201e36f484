// The widget tests' entry: one application for all of them, on the screenless platform unless told otherwise.
#include <gtest/gtest.h>

#include <QApplication>

namespace {

// The screenless platform says, for every window, what it cannot do (raise it, size hints, grabs): noise.
void quietPlatform(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  if (message.startsWith("This plugin does not support")) return;
  qt_message_output(type, context, message);
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  qInstallMessageHandler(quietPlatform);
  QApplication app(argc, argv);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
