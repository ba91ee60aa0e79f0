#include "tests/fax/engine/engine_fixture.h"

#include <cstring>

#include "faximage/apf_reader.h"
#include "faximage/apf_writer.h"
#include "faximage/t4_encoder.h"
#include "fax/fax_machine.h"

namespace telvane::test {

EngineFixture::EngineFixture() : unlistedBefore_(UnlistedTransitionCount()) {
  port_.SetPromptForPort(false);
  port_.SetDevicePath(pty_.slavePath());
}

EngineFixture::~EngineFixture() {
  port_.SetOpen(false);
  SetClock(nullptr);
  // Every transition a scenario made is one its state's table row lists.
  EXPECT_EQ(UnlistedTransitionCount(), unlistedBefore_) << "see the dispatch log notes";
}

void EngineFixture::speedUp(double factor) {
  clock_ = std::make_unique<ScaledClock>(factor);
  SetClock(clock_.get());
}

void EngineFixture::attach(TKovaCustomAbstractFax& fax) {
  fax.SetComPort(&port_);
  fax.SetFaxClass(fcClass1);
  fax.SetDesiredBPS(14400);
  fax.SetStationID("+1 555 0100");
  fax.OnFaxError = [this](TKovaCustomAbstractFax&, int code) { events_.errors.push_back(code); };
  fax.OnFaxLog = [this](TKovaCustomAbstractFax&, int code) { events_.logs.push_back(code); };
  fax.OnFaxStatus = [this](TKovaCustomAbstractFax& sender, bool, bool) {
    const int status = sender.StatusInfo().status;
    if (events_.statuses.empty() || events_.statuses.back() != status) events_.statuses.push_back(status);
  };
  fax.OnFaxFinish = [this](TKovaCustomAbstractFax&, int code) {
    events_.finished = true;
    events_.finishCode = code;
  };
}

void EngineFixture::run(const std::function<void()>& begin, const std::function<void(ScriptedModem&)>& script,
                        std::chrono::milliseconds timeout) {
  std::thread modem([this, &script] {
    ScriptedModem m(pty_);
    script(m);
  });
  begin();
  const bool finished = WaitFor([this] { return events_.finished; }, timeout);
  modem.join();
  // Let the last messages of the session arrive.
  WaitFor([] { return false; }, std::chrono::milliseconds(20));
  EXPECT_TRUE(finished) << "the session did not finish";
}

std::string EngineFixture::writeFax(const std::string& name, int pages, bool fine) {
  return writeFax(name, std::vector<bool>(static_cast<size_t>(pages), fine));
}

std::string EngineFixture::writeFax(const std::string& name, const std::vector<bool>& fine) {
  const std::string path = dir_.file(name);
  const int pages = static_cast<int>(fine.size());
  ApfWriter writer;
  EXPECT_EQ(writer.CreateApfFile(path), 0);
  std::vector<uint8_t> raster(216, 0);
  uint8_t coded[kCodedLineCapacity];
  LineCoding coding;
  for (int page = 1; page <= pages; ++page) {
    writer.SetPage(page, fine[static_cast<size_t>(page - 1)], false);
    for (int row = 0; row < 40; ++row) {
      std::fill(raster.begin(), raster.end(), 0);
      raster[static_cast<size_t>(row % 216)] = 0xF0;  // a short black run that moves along
      raster[100] = static_cast<uint8_t>(0x10 * page);  // DLE-rich bytes come out of some rows
      const size_t length = EncodeLineRecord(raster.data(), coding, coded);
      EXPECT_EQ(writer.PutLineRecord(coded, length), 0);
    }
    EXPECT_EQ(writer.EndPage(), 0);
  }
  EXPECT_EQ(writer.CloseApfFile("SENDER"), 0);
  return path;
}

std::vector<std::vector<uint8_t>> EngineFixture::storedPages(const std::string& name) const {
  std::vector<std::vector<uint8_t>> pages;
  ApfFileHeader header;
  if (ReadApfHeader(dir_.file(name), header) < 0) return pages;
  for (int p = 1; p <= header.pageCount; ++p) {
    ApfPageReader reader;
    if (reader.open(dir_.file(name), p) < 0) break;
    std::vector<uint8_t> data;
    uint8_t buffer[apf::kMaxRecord];
    for (long n; (n = reader.next(buffer)) > 0;) data.insert(data.end(), buffer, buffer + n);
    pages.push_back(data);
  }
  return pages;
}

std::vector<uint8_t> Ident(std::string_view id) {
  const auto field = t30::EncodeIdent(id);
  return {field.begin(), field.end()};
}

}  // namespace telvane::test
