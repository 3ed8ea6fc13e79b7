#include "programs/fwupdate-service/caller_signals.h"

#include <systemd/sd-bus.h>

#include <cstdarg>

#include "platform/linux/fwupdate_bus.h"
#include "platform/text/printable_text.h"

namespace kelm::service {

void CallerSignals::Send(const char* member, const char* types, ...) {
  va_list arguments;
  va_start(arguments, types);
  SendBuilt(member, [&](sd_bus_message* signal) {
    return types[0] == '\0' ? 0 : sd_bus_message_appendv(signal, types, arguments);
  });
  va_end(arguments);
}

void CallerSignals::SendBuilt(const char* member, const std::function<int(sd_bus_message*)>& append) {
  sd_bus_message* signal = nullptr;
  if (sd_bus_message_new_signal(bus_, &signal, object_.c_str(), linux_platform::fwbus::kEnclosureInterface,
                                member) < 0) {
    return;
  }
  if (append(signal) >= 0 && sd_bus_message_set_destination(signal, caller_.c_str()) >= 0) {
    sd_bus_send(bus_, signal, nullptr);
    // Out now, not after the procedure: the client shows each step as it comes.
    sd_bus_flush(bus_);
  }
  sd_bus_message_unref(signal);
}

void CallerSignals::Status(std::string_view text) {
  Send("Status", "s", text::Latin1ToUtf8(text).c_str());
}

void CallerSignals::Progress(std::int32_t step) { Send("Progress", "i", step); }

void CallerSignals::Message(std::string_view caption, std::string_view text, platform::MessageIcon icon) {
  Send("Message", "ssu", text::Latin1ToUtf8(caption).c_str(), text::Latin1ToUtf8(text).c_str(),
       static_cast<std::uint32_t>(icon));
}

void CallerSignals::BackupWritten() { Send("BackupWritten", ""); }

void CallerSignals::Surveyed(const linux_platform::fwbus::EnclosureFacts& facts) {
  SendBuilt("Surveyed", [&](sd_bus_message* signal) { return linux_platform::fwbus::AppendFacts(signal, facts); });
}

}  // namespace kelm::service
