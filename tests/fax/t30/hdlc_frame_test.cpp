#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "fax/t30/hdlc_frame.h"
#include "fax/t30/response_collector.h"

namespace telvane::t30 {
namespace {

using Bytes = std::vector<uint8_t>;

struct NamedFcf {
  uint8_t fcf;
  std::string_view name;
};
constexpr NamedFcf kAllFcfs[] = {
    {fcf::DIS, "DIS"},         {fcf::CSI, "CSI"},         {fcf::NSF, "NSF"},         {fcf::DCS, "DCS"},
    {fcf::TSI, "TSI"},         {fcf::NSS, "NSS"},         {fcf::CFR, "CFR"},         {fcf::FTT, "FTT"},
    {fcf::EOM, "EOM"},         {fcf::MPS, "MPS"},         {fcf::EOP, "EOP"},         {fcf::PRI_EOM, "PRI-EOM"},
    {fcf::PRI_MPS, "PRI-MPS"}, {fcf::PRI_EOP, "PRI-EOP"}, {fcf::MCF, "MCF"},         {fcf::RTP, "RTP"},
    {fcf::RTN, "RTN"},         {fcf::PIP, "PIP"},         {fcf::PIN, "PIN"},         {fcf::DCN, "DCN"},
    {fcf::CRP, "CRP"},
};

// A received frame: what the modem hands over, FCS included, DLE shielded.
Bytes AsReceived(const Bytes& frame, uint8_t fcs1, uint8_t fcs2) {
  Bytes withFcs = frame;
  withFcs.push_back(fcs1);
  withFcs.push_back(fcs2);
  return ShieldForModem(withFcs);
}

ParsedFrame Collect(const Bytes& shielded) {
  ResponseCollector c;
  c.expectFrame();
  for (uint8_t b : shielded) {
    if (c.feed(b) == ResponseCollector::Event::Frame) return ParseFrame(c.frame());
  }
  ADD_FAILURE() << "no frame";
  return {};
}

TEST(Fcf, EveryKindIsDistinctAndNamedWithOrWithoutTheXBit) {
  std::set<uint8_t> seen;
  for (const NamedFcf& f : kAllFcfs) {
    EXPECT_EQ(f.fcf & kXBit, 0) << f.name;
    EXPECT_TRUE(seen.insert(f.fcf).second) << f.name;
    EXPECT_EQ(FcfName(f.fcf), f.name);
    EXPECT_EQ(FcfName(f.fcf | kXBit), f.name);
  }
  EXPECT_EQ(FcfName(0x00), "FCF 0x00");
  EXPECT_EQ(FcfName(0xFF), "FCF 0xFF");
  EXPECT_EQ(FcfName(0x8A), "FCF 0x8A");
}

TEST(BuildFrame, AddressControlFcfThenInfo) {
  const Bytes info = {0x00, 0x46, 0x88, 0x00};
  EXPECT_EQ(BuildFrame(fcf::DCS | kXBit, info, true), (Bytes{0xFF, 0x13, 0x83, 0x00, 0x46, 0x88, 0x00}));
  EXPECT_EQ(BuildFrame(fcf::TSI | kXBit, {}, false), (Bytes{0xFF, 0x03, 0x43}));
}

TEST(ShieldForModem, DoublesEveryDleAndEndsWithDleEtx) {
  EXPECT_EQ(ShieldForModem(Bytes{0xFF, 0x10, 0x03, 0x10, 0x10}),
            (Bytes{0xFF, 0x10, 0x10, 0x03, 0x10, 0x10, 0x10, 0x10, 0x10, 0x03}));
  EXPECT_EQ(ShieldForModem(Bytes{}), (Bytes{0x10, 0x03}));
}

TEST(Frames, EveryFcfRoundTripsThroughShieldCollectorAndParser) {
  const Bytes infos[] = {{}, {0x00, 0x6E, 0xB8, 0x00}, {0x10, 0x03, 0x10, 0x1A, 0x0D, 0x0A}};
  for (const NamedFcf& f : kAllFcfs) {
    for (uint8_t x : {uint8_t{0}, kXBit}) {
      for (bool final : {false, true}) {
        for (const Bytes& info : infos) {
          SCOPED_TRACE(testing::Message() << f.name << " x=" << int(x) << " final=" << final
                                          << " info=" << info.size());
          const ParsedFrame p = Collect(AsReceived(BuildFrame(f.fcf | x, info, final), 0x10, 0x7E));
          ASSERT_TRUE(p.valid);
          EXPECT_EQ(p.final, final);
          EXPECT_EQ(p.fcf, f.fcf | x);
          EXPECT_EQ(p.kind(), f.fcf);
          EXPECT_EQ(p.info, info);
        }
      }
    }
  }
}

TEST(ParseFrame, NoiseBeforeTheAddressIsSkipped) {
  const ParsedFrame p = ParseFrame(Bytes{0x00, 0x7E, 0x0A, 0x31, 0xFF, 0x13, 0x84, 0xAA, 0xBB});
  ASSERT_TRUE(p.valid);
  EXPECT_EQ(p.kind(), fcf::CFR);
  EXPECT_TRUE(p.info.empty());
}

TEST(ParseFrame, RepeatedAddressBytesCountOnce) {
  const ParsedFrame p = ParseFrame(Bytes{0xFF, 0xFF, 0xFF, 0x03, 0x40, 0x20, 0x20, 0xAA, 0xBB});
  ASSERT_TRUE(p.valid);
  EXPECT_FALSE(p.final);
  EXPECT_EQ(p.kind(), fcf::CSI);
  EXPECT_EQ(p.info, (Bytes{0x20, 0x20}));
}

TEST(ParseFrame, TooShortOrWithoutAddressIsInvalid) {
  EXPECT_FALSE(ParseFrame(Bytes{}).valid);
  EXPECT_FALSE(ParseFrame(Bytes{0x00, 0x13, 0x84, 0xAA, 0xBB}).valid);  // no 0xFF
  EXPECT_FALSE(ParseFrame(Bytes{0xFF, 0x13, 0x84, 0xAA}).valid);        // one FCS byte
  EXPECT_FALSE(ParseFrame(Bytes{0x01, 0x02, 0xFF, 0x13, 0x84, 0xAA}).valid);
  EXPECT_FALSE(ParseFrame(Bytes{0xFF, 0xFF, 0xFF, 0xFF, 0xFF}).valid);
  EXPECT_TRUE(ParseFrame(Bytes{0xFF, 0x13, 0x84, 0xAA, 0xBB}).valid);   // smallest
}

TEST(ParseFrame, ControlOtherThan03Or13IsInvalid) {
  for (uint8_t control : {0x00, 0x01, 0x07, 0x17, 0x23, 0xC0, 0xC8, 0x33}) {
    EXPECT_FALSE(ParseFrame(Bytes{0xFF, control, 0x80, 0x00, 0x6E, 0xAA, 0xBB}).valid) << int(control);
  }
}

TEST(EncodeIdent, ShortIdIsBlanksThenTheCharactersReversed) {
  const auto field = EncodeIdent("12345");
  EXPECT_EQ(std::string(field.begin(), field.end()), std::string(15, ' ') + "54321");
}

TEST(EncodeIdent, FullEmptyAndOverlongIds) {
  auto text = [](const std::array<uint8_t, kIdentBytes>& f) { return std::string(f.begin(), f.end()); };
  EXPECT_EQ(text(EncodeIdent("+1 212 555 0100 FAXX")), "XXAF 0010 555 212 1+");
  EXPECT_EQ(text(EncodeIdent("")), std::string(20, ' '));
  EXPECT_EQ(text(EncodeIdent("ABCDEFGHIJKLMNOPQRSTUVWXY")), "TSRQPONMLKJIHGFEDCBA");  // first 20 kept
}

TEST(DecodeIdent, ReversesAndCleansWhatEncodeIdentWrote) {
  for (std::string_view id : {"12345", "+49 30 1234567", "A", "ABCDEFGHIJKLMNOPQRST"}) {
    const auto field = EncodeIdent(id);
    EXPECT_EQ(DecodeIdent(field), id);
  }
  EXPECT_EQ(DecodeIdent(Bytes{}), "");
}

TEST(DecodeIdent, ShortAndLongFields) {
  const Bytes shortField = {'3', '2', '1', ' ', ' '};
  EXPECT_EQ(DecodeIdent(shortField), "123");
  Bytes longField(20, ' ');
  longField[19] = 'Z';
  longField.push_back('Q');  // a 21st byte is not part of the identifier
  EXPECT_EQ(DecodeIdent(longField), "Z");
}

TEST(CleanRemoteId, Rows) {
  struct Row {
    std::string_view in, out;
  };
  const Row rows[] = {
      {"  +1 555 1234  ", "+1 555 1234"},
      {"\"ACME FAX\"", "ACME FAX"},
      {"  \"ACME", "ACME"},
      {"ACME--", "ACME"},
      {"ACME.", "ACME"},
      {"A\"", "A"},
      {"\x01\x02" "AB\x7f", "AB"},
      {"\xC9TE\xE9", "TE"},
      {"A\tB", "A B"},
      {"----", ""},
      {"\"", ""},
      {"", ""},
      {"     ", ""},
      {"x9", "x9"},
  };
  for (const Row& r : rows) EXPECT_EQ(CleanRemoteId(r.in), r.out) << '"' << r.in << '"';
}

}  // namespace
}  // namespace telvane::t30
