// The platform's mailslot behind the remote road, and the texts of the
// receiver's notices.
#pragma once

#include <windows.h>

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

}  // namespace ploxen
