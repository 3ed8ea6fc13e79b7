#include "platform/linux/fwupdate_bus.h"

#include <systemd/sd-bus.h>

namespace kelm::linux_platform::fwbus {

int AppendFacts(sd_bus_message* message, const EnclosureFacts& f) {
  return sd_bus_message_append(
      message, kFactsSignature, f.path.c_str(), f.name.c_str(), f.code, f.modelName.c_str(),
      f.firmwareVersion.c_str(), static_cast<int>(f.hasSerialFlash), f.flashCode,
      f.flashMaker.c_str(), f.flashSize, f.kind, f.procedure.c_str(), f.imageName.c_str(),
      f.imageSize, static_cast<int>(f.imageCurrent), f.sgNode.c_str(), f.blockDevice.c_str(),
      f.usbId.c_str());
}

int ReadFacts(sd_bus_message* message, EnclosureFacts& f) {
  const char* text[10] = {};
  int serialFlash = 0;
  int current = 0;
  const int read = sd_bus_message_read(
      message, kFactsSignature, &text[0], &text[1], &f.code, &text[2], &text[3], &serialFlash,
      &f.flashCode, &text[4], &f.flashSize, &f.kind, &text[5], &text[6], &f.imageSize, &current,
      &text[7], &text[8], &text[9]);
  if (read <= 0) return read;
  f.path = text[0];
  f.name = text[1];
  f.modelName = text[2];
  f.firmwareVersion = text[3];
  f.flashMaker = text[4];
  f.procedure = text[5];
  f.imageName = text[6];
  f.sgNode = text[7];
  f.blockDevice = text[8];
  f.usbId = text[9];
  f.hasSerialFlash = serialFlash != 0;
  f.imageCurrent = current != 0;
  return read;
}

int AppendResult(sd_bus_message* message, const ProcedureResult& r) {
  return sd_bus_message_append(message, kResultSignature, r.path.c_str(), r.operation.c_str(),
                               r.text.c_str(), static_cast<int>(r.succeeded), r.endedAt);
}

int ReadResult(sd_bus_message* message, ProcedureResult& r) {
  const char* path = nullptr;
  const char* operation = nullptr;
  const char* text = nullptr;
  int succeeded = 0;
  const int read = sd_bus_message_read(message, kResultSignature, &path, &operation, &text,
                                       &succeeded, &r.endedAt);
  if (read <= 0) return read;
  r.path = path;
  r.operation = operation;
  r.text = text;
  r.succeeded = succeeded != 0;
  return read;
}

}  // namespace kelm::linux_platform::fwbus
