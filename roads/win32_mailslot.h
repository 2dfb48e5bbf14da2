// The platform's mailslot behind the remote road, and the road as the main
// window holds it: the mailslot, the receiver, and the receiver's notices
// turned into the window's message boxes.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "sources/mailslot_receiver.h"

namespace ploxen {

constexpr char kMailslotName[] = "\\\\.\\mailslot\\ploxen";

class Win32Mailslot : public MailslotPort {
 public:
  explicit Win32Mailslot(std::string name = kMailslotName) : name_(std::move(name)) {}
  ~Win32Mailslot() override { Close(); }
  Win32Mailslot(const Win32Mailslot&) = delete;
  Win32Mailslot& operator=(const Win32Mailslot&) = delete;

  bool Create() override;
  bool IsOpen() const override { return handle_ != INVALID_HANDLE_VALUE; }
  void Close() override;
  std::optional<MailslotInfo> Query() override;
  std::optional<std::size_t> Read(char* buffer, std::size_t size) override;

 private:
  std::optional<MailslotInfo> AskSystem();

  std::string name_;
  HANDLE handle_ = INVALID_HANDLE_VALUE;
  // A query reads the next message ahead when it fits here: one call per
  // message instead of two, which is what a burst costs.
  std::vector<char> ahead_;
  std::size_t aheadSize_ = 0;
  bool aheadWaiting_ = false;
};

// The text of a notice: string 107 from the string table, the others fixed.
std::string RemoteNoticeText(RemoteNotice notice);

class RemoteMailslot : private RemoteWindow {
 public:
  using Lines = std::function<void(MessageKind, const char*, MessageSource)>;
  using Box = std::function<void(const std::string& text)>;

  RemoteMailslot(int& remoteActive, Lines lines, Box box)
      : lines_(std::move(lines)), box_(std::move(box)), receiver_(remoteActive, mailslot_, *this) {}

  std::size_t Tick() { return receiver_.Tick(); }
  void Close() { receiver_.Close(); }
  std::uint64_t Lost() const { return receiver_.Lost(); }

 private:
  void AddMessage(MessageKind kind, const char* text, MessageSource source) override { lines_(kind, text, source); }
  void ShowNotice(RemoteNotice notice) override { box_(RemoteNoticeText(notice)); }

  Win32Mailslot mailslot_;
  Lines lines_;
  Box box_;
  MailslotReceiver receiver_;
};

}  // namespace ploxen
