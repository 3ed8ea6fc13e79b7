#pragma once
// The firmware update service on the system bus, as its clients and the service itself see
// it: the names, the errors, and what a survey of an enclosure says on the wire. Clients ask
// for operations, never for commands: the service builds every command itself.
//
// Manager object:  kManagerPath, interface kManagerInterface
//   List() -> a(o(ssussbistysstbsss)) enclosures, a(sssbt) results
// Enclosure objects, one for each USB-storage drive, under kManagerPath (ObjectManager),
// interface kEnclosureInterface with the properties Path, SgNode, BlockDevice, UsbId:
//   Identify() -> (ssussbistysstbsss)
//   Backup(h file, u size)
//   Update(h backup, a{sv} options: "image" h)
//   Restore(h backup, h from)
//   Run(a{sv} options) -> u result: the engineering panel's run (run_option below), the
//     procedure's result, nonzero when it succeeded
// While a procedure runs, its caller gets, in order, on the enclosure's object:
//   Status(s text), Progress(i step), Message(s caption, s text, u icon), BackupWritten(),
//   (from Run, BackupWritten once its backup file is complete),
//   and from Update and Restore first Surveyed((ssussbistysstbsss)): the procedure's own
//   survey of the drive, so that the caller need not ask for one before

#include <cstdint>
#include <string>
#include <vector>

struct sd_bus_message;

namespace kelm::linux_platform::fwbus {

inline constexpr char kBusName[] = "org.kelm.FirmwareUpdate1";
inline constexpr char kManagerPath[] = "/org/kelm/FirmwareUpdate1";
inline constexpr char kManagerInterface[] = "org.kelm.FirmwareUpdate1.Manager";
inline constexpr char kEnclosureInterface[] = "org.kelm.FirmwareUpdate1.Enclosure";

// polkit's actions, one for each kind of operation.
inline constexpr char kActionIdentify[] = "org.kelm.fwupdate.identify";
inline constexpr char kActionBackup[] = "org.kelm.fwupdate.backup";
inline constexpr char kActionChangeFlash[] = "org.kelm.fwupdate.change-flash";

// A check of the bridge or of the files said no (kelmtool's exit 1).
inline constexpr char kErrorRefused[] = "org.kelm.FirmwareUpdate1.Error.Refused";
// Arguments the service does not take (kelmtool's exit 2).
inline constexpr char kErrorBadInput[] = "org.kelm.FirmwareUpdate1.Error.BadInput";
// polkit said no.
inline constexpr char kErrorNotAuthorized[] = "org.kelm.FirmwareUpdate1.Error.NotAuthorized";
// polkit would allow it with an administrator's password, but nothing could ask for one.
inline constexpr char kErrorAuthenticationNeeded[] = "org.kelm.FirmwareUpdate1.Error.AuthenticationNeeded";
// Another procedure holds the service.
inline constexpr char kErrorBusy[] = "org.kelm.FirmwareUpdate1.Error.Busy";

// The options of Run: the panel's, as the procedures read them. The service takes no others.
namespace run_option {
inline constexpr char kRead[] = "read";                // b: RdCheckBox
inline constexpr char kBackup[] = "backup";            // b: BackupFWCheckBox
inline constexpr char kEraseOnly[] = "eraseOnly";      // b: EraseOnlyCheck
inline constexpr char kA1Chip[] = "a1Chip";            // b: A1ChipCheck
inline constexpr char kDefaultBackupName[] = "defaultBackupName";  // b: BackupFileEdit empty
inline constexpr char kFlashType[] = "flashType";      // i: FlashTypeList's index, -1 for none
inline constexpr char kFirmwareSize[] = "firmwareSize";  // u: a size of FwSizeCheck
inline constexpr char kPageSize[] = "pageSize";        // u: a size of FwPgSizeCheck
inline constexpr char kBackupFile[] = "backupFile";    // h: the backup's file, to write
inline constexpr char kImage[] = "image";              // h: the image the procedure writes
}  // namespace run_option

inline constexpr char kFactsSignature[] = "(ssussbistysstbsss)";
inline constexpr char kResultSignature[] = "(sssbt)";

// What the service learned of one enclosure: the survey, and where the drive sits.
struct EnclosureFacts {
  std::string path;  // the discovery path
  std::string name;
  std::uint32_t code = 0;
  std::string modelName;
  std::string firmwareVersion;
  bool hasSerialFlash = false;
  std::int32_t flashCode = -1;
  std::string flashMaker;
  std::uint64_t flashSize = 0;
  std::uint8_t kind = 0;  // the update procedure's family
  std::string procedure;
  std::string imageName;
  std::uint64_t imageSize = 0;
  bool imageCurrent = false;
  std::string sgNode;
  std::string blockDevice;
  std::string usbId;
};

// The end of a procedure the service ran, kept for the next client.
struct ProcedureResult {
  std::string path;       // the enclosure's discovery path
  std::string operation;  // "update", "restore", "backup", "run" (the panel's)
  std::string text;       // how it ended, in a user's words
  bool succeeded = false;
  std::uint64_t endedAt = 0;  // seconds since the epoch
};

// Both append or read one struct; a negative errno on failure.
int AppendFacts(sd_bus_message* message, const EnclosureFacts& facts);
int ReadFacts(sd_bus_message* message, EnclosureFacts& facts);
int AppendResult(sd_bus_message* message, const ProcedureResult& result);
int ReadResult(sd_bus_message* message, ProcedureResult& result);

}  // namespace kelm::linux_platform::fwbus
