#include "programs/fwupdate-service/polkit_check.h"

#include <systemd/sd-bus.h>

#include <cstdint>
#include <cstring>
#include <memory>

namespace kelm::service {

namespace {

constexpr std::uint32_t kAllowUserInteraction = 1;
// A person may take a while to type a password; polkit's agents give up after minutes too.
constexpr std::uint64_t kAnswerTimeoutUsec = 5ULL * 60 * 1000 * 1000;

struct MessageUnref {
  void operator()(sd_bus_message* message) const { sd_bus_message_unref(message); }
};

// The subject ("system-bus-name", {"name": sender}), the action, no details, the flags and
// no cancellation.
int AppendQuestion(sd_bus_message* question, const char* sender, const char* action, bool interactive) {
  int r = sd_bus_message_append(question, "(sa{sv})s", "system-bus-name", 1, "name", "s", sender, action);
  if (r >= 0) r = sd_bus_message_append(question, "a{ss}us", 0, interactive ? kAllowUserInteraction : 0u, "");
  return r;
}

}  // namespace

Authorization CheckAuthorization(sd_bus* bus, sd_bus_message* call, const char* action) {
  const char* sender = sd_bus_message_get_sender(call);
  if (sender == nullptr) return {false, false, "the call has no sender"};
  sd_bus_message* rawQuestion = nullptr;
  int r = sd_bus_message_new_method_call(bus, &rawQuestion, "org.freedesktop.PolicyKit1",
                                         "/org/freedesktop/PolicyKit1/Authority",
                                         "org.freedesktop.PolicyKit1.Authority", "CheckAuthorization");
  const std::unique_ptr<sd_bus_message, MessageUnref> question(rawQuestion);
  const bool interactive = sd_bus_message_get_allow_interactive_authorization(call) > 0;
  if (r >= 0) r = AppendQuestion(question.get(), sender, action, interactive);
  if (r < 0) return {false, false, std::string("the question to polkit cannot be built: ") + std::strerror(-r)};

  sd_bus_error error = SD_BUS_ERROR_NULL;
  sd_bus_message* rawAnswer = nullptr;
  r = sd_bus_call(bus, question.get(), kAnswerTimeoutUsec, &error, &rawAnswer);
  const std::unique_ptr<sd_bus_message, MessageUnref> answer(rawAnswer);
  if (r < 0) {
    Authorization refused{false, false, std::string("polkit did not answer: ") +
                                     (error.message != nullptr ? error.message : std::strerror(-r))};
    sd_bus_error_free(&error);
    return refused;
  }
  int authorized = 0;
  int challenge = 0;
  r = sd_bus_message_enter_container(answer.get(), 'r', "bba{ss}");
  if (r >= 0) r = sd_bus_message_read(answer.get(), "bb", &authorized, &challenge);
  if (r < 0) return {false, false, "polkit's answer cannot be read"};
  if (authorized != 0) return {true, false, {}};
  if (challenge != 0) return {false, true, "polkit wants a password and no agent could ask for it"};
  return {false, false, "polkit refused"};
}

}  // namespace kelm::service
