// A test over the shell on the test doubles, with a click that a test can hand any widget it found.
#pragma once

#include <gtest/gtest.h>

#include <QTest>

#include "support/test_shell.h"

class ShellFixture : public ::testing::Test, protected TestShell {
 protected:
  static void click(QWidget* widget) {
    ASSERT_NE(widget, nullptr);
    QTest::mouseClick(widget, Qt::LeftButton);
  }
};
