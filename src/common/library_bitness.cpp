#include "common/library_bitness.h"

#include <cstdint>

#include "common/format.h"
#include "common/version.h"
#include "platform/files.h"

namespace orma {
namespace {

// The PE header follows the DOS stub, which linkers keep short; its offset is within the first
// page of every image we would meet.
constexpr std::size_t kHeadSize = 4096;

std::uint32_t LittleEndian(std::string_view bytes, std::size_t offset, std::size_t width) {
  std::uint32_t value = 0;
  for (std::size_t i = width; i-- > 0;) value = value << 8 | static_cast<unsigned char>(bytes[offset + i]);
  return value;
}

}  // namespace

int PeImageBitness(std::string_view head) {
  if (head.size() < 0x40 || head.substr(0, 2) != "MZ") return 0;
  const std::uint32_t peOffset = LittleEndian(head, 0x3C, 4);
  if (peOffset > head.size() - 6 || head.substr(peOffset, 4) != std::string_view("PE\0\0", 4)) return 0;
  switch (LittleEndian(head, peOffset + 4, 2)) {
    case 0x014C:   // IMAGE_FILE_MACHINE_I386
      return 32;
    case 0x8664:   // IMAGE_FILE_MACHINE_AMD64
    case 0xAA64:   // IMAGE_FILE_MACHINE_ARM64
      return 64;
    default:
      return 0;
  }
}

std::string BitnessMismatchText(const std::string& path) {
  platform::File file;
  if (!file.open(path, platform::OpenMode::ReadShared)) return {};
  std::string head(kHeadSize, '\0');
  std::size_t got = 0;
  if (!file.read(head.data(), head.size(), got)) return {};
  head.resize(got);
  const int bits = PeImageBitness(head);
  if (bits == 0 || bits == kProgramBits) return {};
  return Format("файл %d-разрядный, а эта программа %d-разрядная. Запустите %d-разрядную версию программы из пакета %s",
                {bits, kProgramBits, bits, ReleasePackageName(bits)});
}

}  // namespace orma
