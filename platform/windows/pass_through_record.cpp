#include "platform/windows/pass_through_record.h"

#include <algorithm>

namespace kelm::windows {

static_assert(IOCTL_SCSI_PASS_THROUGH_DIRECT == platform::kIoctlScsiPassThroughDirect);
#ifndef _WIN64
static_assert(sizeof(SCSI_PASS_THROUGH_DIRECT) == platform::kPassThroughRequestLength,
              "the 32-bit build hands the device the 44-byte record");
#endif

SCSI_PASS_THROUGH_DIRECT ToRecord(const platform::PassThroughRequest& request) {
  SCSI_PASS_THROUGH_DIRECT record{};
  // The record's own size: the request's 44 in the 32-bit build. The storage driver refuses
  // a 64-bit caller's record whose length is not the native size, so that build says 56.
  record.Length = sizeof(SCSI_PASS_THROUGH_DIRECT);
  record.ScsiStatus = request.ScsiStatus;
  record.PathId = request.PathId;
  record.TargetId = request.TargetId;
  record.Lun = request.Lun;
  record.CdbLength = request.CdbLength;
  record.SenseInfoLength = request.SenseInfoLength;
  record.DataIn = request.DataIn;
  record.DataTransferLength = request.DataTransferLength;
  record.TimeOutValue = request.TimeOutValue;
  record.DataBuffer = request.DataBuffer;
  record.SenseInfoOffset = request.SenseInfoOffset;
  std::copy(request.Cdb.begin(), request.Cdb.end(), record.Cdb);
  return record;
}

void TakeAnswer(const SCSI_PASS_THROUGH_DIRECT& record, platform::PassThroughRequest& request) {
  request.ScsiStatus = record.ScsiStatus;
  request.DataTransferLength = record.DataTransferLength;
}

}  // namespace kelm::windows
