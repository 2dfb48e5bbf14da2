// The host lookup of the "Information" page. Apart from the main window's
// other code, because the socket header must come before windows.h.
#define _WINSOCK_DEPRECATED_NO_WARNINGS  // gethostbyname: its official name is wanted
#include <winsock2.h>

#include <string>

#include "app/main_window.h"

namespace ploxen {

void CPLOXENDlg::GetHostInfo(std::string& hostName, std::string& officialHostName, std::string& addresses) {
  officialHostName.clear();
  addresses.clear();
  WSADATA data{};
  if (WSAStartup(0x0002, &data) != 0) return;
  char local[256] = {};
  if (gethostname(local, 255) == 0) {
    if (hostName.empty()) hostName = local;
    if (const hostent* host = gethostbyname(hostName.c_str())) {
      if (host->h_name) officialHostName = host->h_name;
      for (char** entry = host->h_addr_list; entry && *entry; ++entry) {
        std::string text;
        for (int i = 0; i < host->h_length; ++i) {
          if (i) text += '.';
          text += std::to_string(static_cast<unsigned char>((*entry)[i]));
        }
        addresses += text + "\r\n";
      }
    }
  }
  WSACleanup();
}

}  // namespace ploxen
