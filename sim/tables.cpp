#include "sim/tables.h"

#include <cstdio>
#include <ctime>
#include <random>

namespace kznsim {

namespace {

// GPS time starts 1980-01-06; the loader reckons from 08:00 UTC that day, so do we.
constexpr long long kGpsEpochUnix = 315993600;
constexpr long long kSecondsPerWeek = 604800;
constexpr std::uint8_t kRecordStart = 0x8B;

}  // namespace

int BlockLength(int block) {
  if (block < 0 || block >= kBlockCount) return 0;
  if (block <= 9) return 120;
  if (block == 10) return 80;
  if (block == 11) return 120;
  if (block == 12) return 8;
  return kAlmanacRowBytes;
}

std::uint32_t BlockOffset(int block) {
  if (block <= 10) return static_cast<std::uint32_t>(120 * block);
  if (block == 11) return 1284;
  if (block == 12) return 1404;
  return static_cast<std::uint32_t>(1412 + kAlmanacRowBytes * (block - 13));
}

std::uint16_t DopplerWordSum(const Bytes& doppler) {
  unsigned sum = 0;
  for (std::size_t i = 0; i + 1 < static_cast<std::size_t>(kDopplerBytes) && i + 1 < doppler.size();
       i += 2)
    sum += static_cast<unsigned>(doppler[i] << 8 | doppler[i + 1]);
  return static_cast<std::uint16_t>(sum);
}

int CurrentGpsWeek() {
  return static_cast<int>((static_cast<long long>(std::time(nullptr)) - kGpsEpochUnix) /
                          kSecondsPerWeek);
}

TableMemory GenerateTables(unsigned seed, int currentWeek) {
  std::mt19937 random(seed);
  auto byte = [&random] { return static_cast<std::uint8_t>(random() & 0xFF); };
  TableMemory t;
  t.doppler.resize(kDopplerWithSumBytes);
  for (int i = 0; i < kDopplerBytes; ++i)
    t.doppler[i] = byte();
  std::uint16_t sum = DopplerWordSum(t.doppler);
  t.doppler[kDopplerBytes] = static_cast<std::uint8_t>(sum >> 8);
  t.doppler[kDopplerBytes + 1] = static_cast<std::uint8_t>(sum & 0xFF);
  t.extra11.resize(120);
  for (auto& b : t.extra11)
    b = byte();
  t.extra12.resize(8);
  for (auto& b : t.extra12)
    b = byte();
  t.almanac.resize(kAlmanacBytes);
  for (int slot = 0; slot < kAlmanacSlots; ++slot) {
    std::uint8_t* row = &t.almanac[static_cast<std::size_t>(slot * kAlmanacRowBytes)];
    for (int i = 0; i < kAlmanacRowBytes; ++i)
      row[i] = byte();
    // A few slots hold no satellite; the others are healthy rows of this week or the last.
    bool used = slot < 28;
    row[0] = used ? static_cast<std::uint8_t>(0x80 | (slot & 0x1F)) : 0x00;
    row[1] = static_cast<std::uint8_t>(slot + 1);
    row[2] = static_cast<std::uint8_t>(100 + random() % 47);  // within the week: 147 * 4096 s
    row[3] = 0;
    int week = currentWeek - static_cast<int>(random() % 2);
    row[4] = static_cast<std::uint8_t>((week >> 8) & 0xFF);
    row[5] = static_cast<std::uint8_t>(week & 0xFF);
  }
  return t;
}

std::optional<TableMemory> TablesFromDump(const Bytes& dump) {
  TableMemory t;
  t.doppler.assign(kDopplerWithSumBytes, 0);
  t.extra11.assign(120, 0);
  t.extra12.assign(8, 0);
  t.almanac.assign(kAlmanacBytes, 0);
  bool found[kBlockCount] = {};
  int count = 0;
  for (std::size_t i = 0; i + 1 < dump.size(); ++i) {
    if (dump[i] != kRecordStart || dump[i + 1] >= kBlockCount) continue;
    int block = dump[i + 1];
    std::size_t length = static_cast<std::size_t>(BlockLength(block));
    std::size_t end = i + 2 + length;  // check byte
    if (end + 2 >= dump.size() || dump[end + 1] != '\r' || dump[end + 2] != '\n') continue;
    unsigned sum = static_cast<unsigned>(block);
    for (std::size_t k = i + 2; k < end; ++k)
      sum += dump[k];
    if ((sum & 0xFF) != dump[end] || found[block]) continue;
    found[block] = true;
    ++count;
    const std::uint8_t* data = &dump[i + 2];
    if (block <= 10) {
      std::copy(data, data + length, t.doppler.begin() + BlockOffset(block));
    } else if (block == 11) {
      std::copy(data, data + length, t.extra11.begin());
    } else if (block == 12) {
      std::copy(data, data + length, t.extra12.begin());
    } else {
      std::copy(data, data + length, t.almanac.begin() + (block - 13) * kAlmanacRowBytes);
    }
    i = end + 2;
  }
  if (count != kBlockCount) return std::nullopt;
  std::uint16_t sum = DopplerWordSum(t.doppler);
  t.doppler[kDopplerBytes] = static_cast<std::uint8_t>(sum >> 8);
  t.doppler[kDopplerBytes + 1] = static_cast<std::uint8_t>(sum & 0xFF);
  return t;
}

Bytes BuildDumpRecords(const TableMemory& tables, int badCheckBlock) {
  Bytes out;
  for (int block = 0; block < kBlockCount; ++block) {
    const std::uint8_t* data = nullptr;
    if (block <= 10) {
      data = &tables.doppler[BlockOffset(block)];
    } else if (block == 11) {
      data = tables.extra11.data();
    } else if (block == 12) {
      data = tables.extra12.data();
    } else {
      data = &tables.almanac[static_cast<std::size_t>((block - 13) * kAlmanacRowBytes)];
    }
    unsigned sum = static_cast<unsigned>(block);
    out.push_back(kRecordStart);
    out.push_back(static_cast<std::uint8_t>(block));
    for (int i = 0; i < BlockLength(block); ++i) {
      out.push_back(data[i]);
      sum += data[i];
    }
    std::uint8_t check = static_cast<std::uint8_t>(sum & 0xFF);
    if (block == badCheckBlock) check = static_cast<std::uint8_t>(check + 1);
    out.push_back(check);
    out.push_back('\r');
    out.push_back('\n');
  }
  return out;
}

Bytes BuildNmeaLines(std::size_t minBytes) {
  static const char* const kBodies[] = {
      "GPGGA,120000.00,4852.1234,N,00220.5678,E,1,08,1.0,35.0,M,47.0,M,,",
      "GPRMC,120000.00,A,4852.1234,N,00220.5678,E,0.0,0.0,010124,,,A",
      "GPGSA,A,3,01,04,07,09,12,16,21,27,,,,,1.8,1.0,1.5",
      "GPGSV,2,1,08,01,45,120,44,04,30,060,41,07,62,300,47,09,15,200,38",
      "GPGSV,2,2,08,12,55,010,46,16,20,240,40,21,35,150,43,27,10,330,36",
  };
  Bytes out;
  for (std::size_t i = 0; out.size() < minBytes; ++i) {
    const char* body = kBodies[i % (sizeof(kBodies) / sizeof(kBodies[0]))];
    unsigned char check = 0;
    for (const char* p = body; *p != '\0'; ++p)
      check ^= static_cast<unsigned char>(*p);
    char line[128];
    int n = std::snprintf(line, sizeof(line), "$%s*%02X\r\n", body, check);
    out.insert(out.end(), line, line + n);
  }
  return out;
}

}  // namespace kznsim
