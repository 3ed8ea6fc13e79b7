#include "chip/identification.h"

#include <gtest/gtest.h>

#include <sstream>

#include "chip/bridge_models.h"
#include "tests/chip/bridge_answers.h"
#include "tests/support/rig.h"

namespace kelm::test {
namespace {

using chip::ChipCode;
using chip::MakeChipCode;

struct IdentifyRun {
  ChipCode code;
  std::vector<std::string> requests;
  std::vector<Recorder::Box> boxes;
};

IdentifyRun Identify(sim::DeviceSpec device) {
  Rig rig(OneDevice(std::move(device)));
  std::ostringstream trace;
  rig.sim.SetTrace(&trace);
  const ChipCode code = chip::IdentifyBridgeChip(rig.io, rig.sim.DevicePath(0));
  rig.sim.SetTrace(nullptr);
  return {code, Requests(trace.str()), rig.recorder.boxes};
}

// One bridge per branch of the identification, with every request it must send, in order.
struct BranchCase {
  const char* name;
  sim::DeviceSpec device;
  ChipCode expected;
  std::vector<std::string> requests;
};
void PrintTo(const BranchCase& c, std::ostream* os) { *os << c.name; }

class IdentificationBranch : public ::testing::TestWithParam<BranchCase> {};

TEST_P(IdentificationBranch, DecodesModelAndSendsExactlyTheseRequests) {
  const BranchCase& c = GetParam();
  const IdentifyRun run = Identify(c.device);
  EXPECT_EQ(run.code, c.expected) << "model " << int(chip::ModelOf(run.code)) << " revision "
                                  << int(chip::RevisionOf(run.code));
  EXPECT_EQ(run.requests, c.requests);
  EXPECT_TRUE(run.boxes.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Branches, IdentificationBranch,
    ::testing::Values(
        BranchCase{"InquiryTagEndsAtOnce",
                   Bridge({{"Inquiry", InquiryWithTag("j336")},
                           {"ProbeBridge", {0, 0}},
                           {"ReadChipInfo", ProductRecord({})}}),
                   MakeChipCode(2, 0), {kInquiry}},
        BranchCase{"UsbIdsWinOverModelText",
                   Bridge({{"Inquiry", InquiryWithTag("")},
                           {"ProbeBridge", {0, 0}},
                           {"ReadChipInfo",
                            ProductRecord({.product = {0x23, 0x36}, .modelText = "3360"})},
                           {"ReadChipModel", ChipName("j352", '1')}}),
                   MakeChipCode(17, 0), {kInquiry, kProbeBridge, kChipInfo16}},
        BranchCase{"ProductTextThenChipNameRevision",
                   Bridge({{"Inquiry", InquiryWithTag("")},
                           {"ProbeBridge", {0, 0}},
                           {"ReadChipInfo", ProductRecord({.modelText = "3521"})},
                           {"ReadChipModel", ChipName("j352", '1')}}),
                   MakeChipCode(6, 2), {kInquiry, kProbeBridge, kChipInfo16, kChipModel}},
        BranchCase{"ChipRegisterWithoutSignature",
                   Bridge({{"Inquiry", InquiryWithTag("")},
                           {"ProbeBridge", {0x40, 0x00}},
                           {"ReadChipInfo", ByteVector(16, 0)},
                           {"ReadChipModel", ChipName("j352", '1')}}),
                   MakeChipCode(15, 0), {kInquiry, kProbeBridge, kChipInfo16}},
        BranchCase{"Jmb353AsksTheShortRecord",
                   Bridge({{"Inquiry", InquiryWithTag("j353")},
                           {"ReadChipInfo", ProductRecord({.modelText = "3532"})}}),
                   MakeChipCode(7, 2), {kInquiry, kChipInfo12}},
        BranchCase{"FailedInquiryStillReadsChipName",
                   Bridge({{"ProbeBridge", {0, 0}},
                           {"ReadChipInfo", ProductRecord({})},
                           {"ReadChipModel", ChipName("j339C", '0')}}),
                   MakeChipCode(4, 1), {kInquiry, kChipModel}}),
    [](const auto& info) { return std::string(info.param.name); });

// Decoding cases where only the answers differ; the requests are covered above.
struct DecodeCase {
  const char* name;
  std::map<std::string, ByteVector> answers;
  ChipCode expected;
};
void PrintTo(const DecodeCase& c, std::ostream* os) { *os << c.name; }

class IdentificationDecode : public ::testing::TestWithParam<DecodeCase> {};

TEST_P(IdentificationDecode, GivesChipCode) {
  const DecodeCase& c = GetParam();
  const ChipCode code = Identify(Bridge(c.answers)).code;
  EXPECT_EQ(chip::ModelOf(code), chip::ModelOf(c.expected));
  EXPECT_EQ(chip::RevisionOf(code), chip::RevisionOf(c.expected));
}

std::map<std::string, ByteVector> Register(std::uint8_t low, std::uint8_t high) {
  return {{"Inquiry", InquiryWithTag("")},
          {"ProbeBridge", {low, high}},
          {"ReadChipInfo", {0xF4, 0xE6, 0, 0, 0, 0, 0, 0, '3', '5', '2', '1'}}};
}

std::map<std::string, ByteVector> Record(ProductRecordFields fields) {
  return {{"Inquiry", InquiryWithTag("")},
          {"ProbeBridge", {0, 0}},
          {"ReadChipInfo", ProductRecord(fields)}};
}

std::map<std::string, ByteVector> With(std::map<std::string, ByteVector> answers,
                                       ByteVector chipName) {
  answers["ReadChipModel"] = std::move(chipName);
  return answers;
}

INSTANTIATE_TEST_SUITE_P(
    Answers, IdentificationDecode,
    ::testing::Values(
        // Inquiry tags: exact, case-sensitive, four characters; model 10 has none.
        DecodeCase{"TagJ509", {{"Inquiry", InquiryWithTag("j509")}}, MakeChipCode(12, 0)},
        DecodeCase{"TagUpperCaseIsNoTag",
                   {{"Inquiry", InquiryWithTag("J336")}, {"ProbeBridge", {0x20, 0}},
                    {"ReadChipInfo", ByteVector(16, 0)}},
                   MakeChipCode(14, 0)},
        DecodeCase{"TagJ551IsNoTag",
                   {{"Inquiry", InquiryWithTag("j551")}, {"ProbeBridge", {0x60, 0}},
                    {"ReadChipInfo", ByteVector(16, 0)}},
                   MakeChipCode(16, 0)},
        // A tagged model 1 whose chip-name read fails is revision 1.
        DecodeCase{"TagJ335ChipNameFails", {{"Inquiry", InquiryWithTag("j335")}},
                   MakeChipCode(1, 1)},
        DecodeCase{"TagJ519ChipNameJ519A",
                   {{"Inquiry", InquiryWithTag("j519")}, {"ReadChipModel", ChipName("j519A", '2')}},
                   MakeChipCode(11, 3)},
        DecodeCase{"TagJ337ChipNameNoMatch",
                   {{"Inquiry", InquiryWithTag("j337")}, {"ReadChipModel", ChipName("j999C", '2')}},
                   MakeChipCode(3, 0)},
        // The chip register: bits 5 and 6 of the low byte.
        DecodeCase{"Register0000", Register(0x00, 0x00), MakeChipCode(13, 0)},
        DecodeCase{"Register0020", Register(0x20, 0x00), MakeChipCode(14, 0)},
        DecodeCase{"Register0060", Register(0x60, 0x00), MakeChipCode(16, 0)},
        DecodeCase{"RegisterOtherBitsIgnored", Register(0x9F, 0x60), MakeChipCode(13, 0)},
        // USB ids: both texts must hold their id.
        DecodeCase{"ProductIdAloneIsNotUsbId",
                   Record({.vendor = {0x04, 0x8D}, .product = {0x23, 0x36}, .modelText = "3360"}),
                   MakeChipCode(2, 0)},
        DecodeCase{"VendorIdAloneIsNotUsbId",
                   Record({.product = {0x23, 0x35}, .modelText = "3371"}),
                   MakeChipCode(3, 1)},
        // The product text: three characters; the fourth is the revision, matched or not.
        DecodeCase{"ProductText5510", Record({.modelText = "5510"}), MakeChipCode(10, 0)},
        DecodeCase{"ProductTextUnknownKeepsRevision", Record({.modelText = "9993"}),
                   MakeChipCode(0, 3)},
        // The chip-name record refines models 0, 1, 3, 4, 6 and 11.
        DecodeCase{"ChipNameJ335C", With(Record({.modelText = "3370"}), ChipName("j335C", '1')),
                   MakeChipCode(1, 2)},
        DecodeCase{"ChipNameJ352ZeroRevisionIsFirst",
                   With(Record({.modelText = "3390"}), ChipName("j352", 0)), MakeChipCode(6, 1)},
        DecodeCase{"ChipNameIsCaseSensitive",
                   With(Record({.modelText = "3522"}), ChipName("J352", '0')), MakeChipCode(6, 2)},
        DecodeCase{"ChipNameNotReadForOtherModels",
                   With(Record({.modelText = "3553"}), ChipName("j352", '0')), MakeChipCode(8, 3)},
        DecodeCase{"Model1ChipNameFailsGivesRevision1",
                   Record({.modelText = "3353"}), MakeChipCode(1, 1)}),
    [](const auto& info) { return std::string(info.param.name); });

// The JMB353 second stage: the short record must carry the signature and a "1" or "2".
struct Jmb353Case {
  const char* name;
  sim::DeviceSpec device;
  ChipCode expected;
  bool box;
};
void PrintTo(const Jmb353Case& c, std::ostream* os) { *os << c.name; }

class Jmb353Revision : public ::testing::TestWithParam<Jmb353Case> {};

TEST_P(Jmb353Revision, ReadsOrComplains) {
  const Jmb353Case& c = GetParam();
  const IdentifyRun run = Identify(c.device);
  EXPECT_EQ(run.code, c.expected);
  if (!c.box) {
    EXPECT_TRUE(run.boxes.empty());
    return;
  }
  ASSERT_EQ(run.boxes.size(), 1u);
  EXPECT_EQ(run.boxes[0].caption, "Error");
  EXPECT_EQ(run.boxes[0].text, "Get chip information fail !");
  EXPECT_EQ(run.boxes[0].icon, platform::MessageIcon::Error);
}

sim::DeviceSpec Jmb353(ByteVector record, std::vector<sim::Fault> fail = {}) {
  return Bridge({{"Inquiry", InquiryWithTag("")},
                 {"ProbeBridge", {0, 0}},
                 {"ReadChipInfo", std::move(record)}},
                std::move(fail));
}

INSTANTIATE_TEST_SUITE_P(
    Records, Jmb353Revision,
    ::testing::Values(
        Jmb353Case{"Revision1", Jmb353(ProductRecord({.modelText = "3531"})), MakeChipCode(7, 1),
                   false},
        Jmb353Case{"ThirdRevisionDigitKeepsFirstStage",
                   Jmb353(ProductRecord({.modelText = "3533"})), MakeChipCode(7, 3), true},
        Jmb353Case{"ShortReadFails",
                   Jmb353(ProductRecord({.modelText = "3532"}), {{"ReadChipInfo", 2, 0}}),
                   MakeChipCode(7, 2), true},
        Jmb353Case{"TaggedWithoutSignature",
                   Bridge({{"Inquiry", InquiryWithTag("j353")},
                           {"ReadChipInfo", {0xF4, 0xE8, 0, 0, 0, 0, 0, 0, '3', '5', '3', '1'}}}),
                   MakeChipCode(7, 0), true}),
    [](const auto& info) { return std::string(info.param.name); });

// The firmware version shown for the selected drive.
struct VersionCase {
  const char* name;
  sim::DeviceSpec device;
  std::uint8_t model;
  std::string version;
  std::string status;
};
void PrintTo(const VersionCase& c, std::ostream* os) { *os << c.name; }

class FirmwareVersionReport : public ::testing::TestWithParam<VersionCase> {};

TEST_P(FirmwareVersionReport, FillsTheFields) {
  const VersionCase& c = GetParam();
  Rig rig(OneDevice(c.device));
  const chip::VersionReport report =
      chip::ReportFirmwareVersion(rig.io, rig.sim.DevicePath(0), MakeChipCode(c.model, 1));
  EXPECT_EQ(report.firmwareVersion, c.version);
  EXPECT_EQ(report.status, c.status);
}

sim::DeviceSpec Info(ByteVector record) { return Bridge({{"ReadChipInfo", std::move(record)}}); }

INSTANTIATE_TEST_SUITE_P(
    Answers, FirmwareVersionReport,
    ::testing::Values(
        VersionCase{"TwelveBytesShortForm", Info(ProductRecord({}, 12)), 6, "Ver 1.02", ""},
        VersionCase{"ThirteenBytesLongForm", Info(ProductRecord({}, 13)), 6, "Ver 1.00.00", ""},
        VersionCase{"SixteenBytesLongForm",
                    Info(ProductRecord({.longVersion = {0xFF, 5, 0x80}})), 6, "Ver 255.05.128",
                    ""},
        VersionCase{"ShortFormUnsigned", Info(ProductRecord({.shortVersion = {0x81, 7}}, 12)), 6,
                    "Ver 129.07", ""},
        VersionCase{"NoSignature", Info(ByteVector(16, 0x11)), 6, "", "Not JMicron Chip!!"},
        VersionCase{"FailedUnknownChip", Bridge({}), 0, "00.00", ""},
        VersionCase{"FailedJm20335", Bridge({}), 1, "02.00", ""},
        VersionCase{"FailedJm20336", Bridge({}), 2, "02.00", ""},
        VersionCase{"FailedJm20339", Bridge({}), 4, "02.00", ""},
        VersionCase{"FailedJmb352", Bridge({}), 6, "01.00", ""},
        VersionCase{"FailedUsbIdJm20336", Bridge({}), 17, "01.00", ""}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kelm::test
