// What the program asks of the machine it runs on: a steady clock, the
// computer's names and addresses, the user, and Winsock's start-up.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "net/sender_list.h"

namespace fw {

// Milliseconds of a steady clock, finer than the tick count; never set back.
double SteadyMs();
// The same in whole milliseconds.
std::int64_t SteadyWholeMs();

// The short (NetBIOS) name; empty when the system cannot say.
std::string ComputerName();
// The name other machines know this one by; the short one when there is none.
std::string DnsHostName();
std::string UserName();

// The host lookup of the "Information" page: the official name and one
// address per line, each ended by a line break; both empty when it fails.
struct HostLookup {
  std::string officialName;
  std::string addresses;
};
HostLookup LookUpThisHost();

// The addresses of this computer's network interfaces; empty when the system
// cannot say.
std::vector<ploxen::IpAddress> ThisComputerAddresses();

// Winsock for as long as the object lives.
class Winsock {
 public:
  Winsock();
  ~Winsock();
  Winsock(const Winsock&) = delete;
  Winsock& operator=(const Winsock&) = delete;
  bool Started() const { return started_; }

 private:
  bool started_ = false;
};

}  // namespace fw
