#pragma once
// polkit decides who may do what: CheckAuthorization on the system bus with the caller's bus
// name as subject, interactive when the caller's message allows it. Asked before anything
// reaches a device.

#include <string>

struct sd_bus;
struct sd_bus_message;

namespace kelm::service {

struct Authorization {
  bool granted = false;
  bool challenge = false;  // an administrator's password would do, had an agent asked for it
  std::string why;  // for the service's log when not granted
};

// Whether the sender of `call` may do `action`. Blocks until polkit answers, which may wait on
// a person typing a password at an authentication agent.
Authorization CheckAuthorization(sd_bus* bus, sd_bus_message* call, const char* action);

}  // namespace kelm::service
