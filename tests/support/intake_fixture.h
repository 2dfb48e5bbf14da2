// A message intake over an in-memory list, with scripted answers to the
// row-limit question.
#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "core/intake.h"
#include "core/row_store.h"

namespace ploxen::test {

class CountingRows : public MessageRows {
 public:
  void UpdateListState() override { ++updates; }
  int updates = 0;
};

class ScriptedDialogs : public UserDialogs {
 public:
  bool AskYesNo(int stringId) override {
    questions.push_back(stringId);
    if (onAsk) onAsk();
    return Next(answers, answerYes);
  }
  bool Save() override {
    ++saves;
    if (onSave) onSave();
    return Next(saveWrites, true);
  }

  bool answerYes = false;
  std::deque<bool> answers;     // the answers in turn, then answerYes
  std::deque<bool> saveWrites;  // whether each save writes a file, then yes
  std::vector<int> questions;
  int saves = 0;
  std::function<void()> onAsk;   // runs while the question is "on screen"
  std::function<void()> onSave;  // runs while the Save dialog is "on screen"

 private:
  static bool Next(std::deque<bool>& script, bool otherwise) {
    if (script.empty()) return otherwise;
    const bool next = script.front();
    script.pop_front();
    return next;
  }
};

struct Row {
  std::string process, time, message;
  Colour colour;
  MessageKind kind;
};

class IntakeTest : public ::testing::Test {
 protected:
  IntakeTest() : intake(switches, rows, dialogs) {}

  void Add(MessageKind kind, const char* text, MessageSource source = kSourceSystem) {
    intake.AddMessage(kind, text, source);
  }

  Row RowAt(std::size_t i) const {
    const MessageItem& item = rows.Row(i);
    return Row{std::string(item.Text(0)), std::string(item.Text(1)), std::string(item.Text(2)),
               item.Colours(kColumnMessage).text, item.Kind()};
  }
  std::string MessageAt(std::size_t i) const { return std::string(rows.Row(i).Text(2)); }
  Row LastRow() const { return RowAt(rows.size() - 1); }

  IntakeSwitches switches;
  CountingRows rows;
  ScriptedDialogs dialogs;
  MessageIntake intake;
};

}  // namespace ploxen::test
