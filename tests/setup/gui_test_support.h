#pragma once
// Small helpers for the Qt Test suites of the setup tool.
#include <QObject>
#include <QStringList>
#include <string>
#include <vector>

#include "setup_test_support.h"

namespace setup_test {

inline QString Q(const std::string& text) { return QString::fromStdString(text); }

inline QStringList Texts(const MessageRecorder& recorder) {
  QStringList texts;
  for (const auto& text : recorder.texts()) texts << Q(text);
  return texts;
}

// Runs the Qt Test object on the offscreen platform with the tool's title.
int RunGuiTests(int argc, char** argv, QObject& tests);

}  // namespace setup_test
