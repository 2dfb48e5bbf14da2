#include "params/network_rules.h"

#include "net/network_settings.h"

namespace ploxen {

namespace {

std::optional<std::string> Named(const char* field, std::optional<std::string> refusal) {
  if (!refusal) return std::nullopt;
  return std::string(field) + ": " + *refusal;
}

bool Blank(std::string_view text) { return text.find_first_not_of(" \t") == std::string_view::npos; }

}  // namespace

std::optional<std::string> RemotePortRefusal(std::string_view text) {
  return Named("Port f\xFCr Fernmeldungen", PortRefusal(text));
}

std::optional<std::string> SyslogPortRefusal(std::string_view text) {
  return Named("Port f\xFCr Syslog", PortRefusal(text));
}

std::optional<std::string> ForwardTargetRefusal(std::string_view text, bool forwarding) {
  if (!forwarding && Blank(text)) return std::nullopt;
  return TargetRefusal(text);
}

}  // namespace ploxen
