// The addresses of this computer's network interfaces, for the network
// page: forwarding to any of them at the own syslog port would be a loop.
#pragma once

#include <vector>

#include "net/sender_list.h"

namespace ploxen {

// Empty when the system cannot say.
std::vector<IpAddress> ThisComputerAddresses();

}  // namespace ploxen
