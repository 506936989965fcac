// The startup shortcut built from any request and whatever the system answers
// about the target, its volume and the writes.
#include <algorithm>
#include <bit>
#include <cctype>
#include <vector>

#include "fuzz_input.h"
#include "shelllink/shell_link_layout.h"

using namespace quistrel;
using quistrel::fuzz::FuzzInput;

namespace {

// A text, and when the byte after it is 0xFF, a piece that follows it as
// many times as the next byte says: a short input can then reach the 0x7FFF
// limits of the size fields. The piece comes as code-page bytes, so that it
// holds only characters the code page has: the native converter slows down
// badly on long texts full of others, which would swamp the run.
std::u16string RepeatedText(FuzzInput& input, const AnsiCodePage& codePage) {
  constexpr uint8_t kRepeat = 0xFF;
  constexpr std::size_t kLongest = 0x5000;
  std::u16string text = input.Text();
  if (input.Byte() != kRepeat) return text;
  const std::u16string piece = codePage.FromAnsi(input.Bytes());
  const int times = input.Byte();
  for (int i = 0; i < times && text.size() + piece.size() <= kLongest; ++i) text += piece;
  return text;
}

// Input: the request (target, link path, arguments, working directory, icon
// location as repeated texts, icon index, hot key, description), then the
// system's answers in the order they are asked for.
ShellLinkRequest ReadRequest(FuzzInput& input, const AnsiCodePage& codePage) {
  ShellLinkRequest request;
  request.target = RepeatedText(input, codePage);
  request.linkPath = RepeatedText(input, codePage);
  request.arguments = RepeatedText(input, codePage);
  request.workingDirectory = RepeatedText(input, codePage);
  request.iconLocation = RepeatedText(input, codePage);
  request.iconIndex = static_cast<int32_t>(input.U32());
  request.hotKey = input.U32();
  request.description = RepeatedText(input, codePage);
  return request;
}

struct Write {
  uint32_t offset;
  std::string bytes;
  int64_t result;
};

class InputSystem : public ShellLinkSystem {
 public:
  explicit InputSystem(std::string_view answers)
      : input_(reinterpret_cast<const uint8_t*>(answers.data()), answers.size()) {}

  std::optional<std::string> ShortPathName(const std::string& path) override {
    switch (input_.Byte() % 3) {
      case 0: return std::nullopt;
      case 1: return path;
      default: return input_.Bytes();
    }
  }
  uint32_t DriveType(const std::string&) override { return input_.U32(); }
  uint32_t FileAttributes(const std::string&) override {
    switch (input_.Byte() % 4) {
      case 0: return kInvalidFileAttributes;
      case 1: return kDirectoryAttribute;
      case 2: return 0x20;  // archive: a plain file
      default: return input_.U32();
    }
  }
  std::optional<VolumeInformation> Volume(const std::string&) override {
    if (!(input_.Byte() & 1)) return std::nullopt;
    VolumeInformation volume;
    volume.label = input_.Bytes();
    volume.serialNumber = input_.U32();
    return volume;
  }
  TargetFileFacts TargetFacts(const std::string&) override {
    TargetFileFacts facts;
    facts.size = input_.U32();
    facts.lastWriteTime = input_.U64();
    return facts;
  }
  // Whole, refused, nothing, or cut short; never more than asked, as no
  // file write reports more.
  int64_t WriteBlockAt(const std::string&, std::string_view bytes, uint32_t offset) override {
    int64_t result = static_cast<int64_t>(bytes.size());
    switch (input_.Byte() % 4) {
      case 1: result = -1; break;
      case 2: result = 0; break;
      case 3: result = input_.U32() % (bytes.size() + 1); break;
      default: break;
    }
    writes.push_back({offset, std::string(bytes), result});
    if (offset == 0) file.clear();
    if (result > 0)
      file.replace(std::min<std::size_t>(offset, file.size()), std::string::npos,
                   bytes.substr(0, static_cast<std::size_t>(result)));
    return result;
  }

  std::vector<Write> writes;
  std::string file;

 private:
  FuzzInput input_;
};

uint32_t U16At(const std::string& bytes, std::size_t at) {
  FUZZ_CHECK(at + 2 <= bytes.size());
  return static_cast<uint8_t>(bytes[at]) | (static_cast<uint8_t>(bytes[at + 1]) << 8);
}
uint32_t U32At(const std::string& bytes, std::size_t at) { return U16At(bytes, at) | (U16At(bytes, at + 2) << 16); }

// The ID list's sizes and the texts' counts are signed 16-bit fields.
constexpr uint32_t kLargestShortField = 0x7FFF;

// Every size and offset field agrees with the bytes it describes and fits it;
// the link points at the requested target, which starts at a drive root.
void CheckBlocks(const std::vector<std::string>& blocks, const std::string& ansiTarget) {
  FUZZ_CHECK(blocks.size() == 8);
  const std::string& header = blocks[0];
  FUZZ_CHECK(header.size() == 0x4C && U32At(header, 0) == 0x4C);

  const std::string& idListSize = blocks[1];
  FUZZ_CHECK(idListSize.size() == 2);
  FUZZ_CHECK(blocks[2].size() + blocks[3].size() + blocks[4].size() <= kLargestShortField);
  FUZZ_CHECK(U16At(idListSize, 0) == blocks[2].size() + blocks[3].size() + blocks[4].size());
  FUZZ_CHECK(U16At(blocks[2], 0) == blocks[2].size());
  std::size_t at = 0;
  int items = 0;
  while (at < blocks[3].size()) {
    const std::size_t itemSize = U16At(blocks[3], at);
    FUZZ_CHECK(itemSize >= 16 && itemSize <= kLargestShortField && at + itemSize <= blocks[3].size());
    at += itemSize;
    ++items;
  }
  FUZZ_CHECK(items >= 1);
  FUZZ_CHECK(blocks[4] == std::string(2, '\0'));

  const std::string& linkInfo = blocks[5];
  const std::string& linkInfoBody = blocks[6];
  FUZZ_CHECK(linkInfo.size() == 28);
  FUZZ_CHECK(U32At(linkInfo, 0) == linkInfo.size() + linkInfoBody.size());
  FUZZ_CHECK(U32At(linkInfo, 4) == 28 && U32At(linkInfo, 12) == 28);
  const uint32_t volumeIdSize = U32At(linkInfoBody, 0);
  FUZZ_CHECK(volumeIdSize >= 17 && volumeIdSize + 2 <= linkInfoBody.size());
  FUZZ_CHECK(U32At(linkInfoBody, 12) == 16 && linkInfoBody[volumeIdSize - 1] == '\0');
  FUZZ_CHECK(U32At(linkInfo, 16) == 28 + volumeIdSize);
  FUZZ_CHECK(U32At(linkInfo, 24) == U32At(linkInfo, 0) - 1);
  FUZZ_CHECK(linkInfoBody.substr(volumeIdSize) == ansiTarget + std::string(2, '\0'));
  FUZZ_CHECK(ansiTarget.size() >= 3 && std::isalpha(static_cast<unsigned char>(ansiTarget[0])) &&
             ansiTarget.substr(1, 2) == ":\\");

  // One counted text per flag, then the four zero bytes of the terminal block.
  const std::string& stringData = blocks[7];
  const int texts = std::popcount(U32At(header, 0x14) & ~0x03u);
  at = 0;
  for (int i = 0; i < texts; ++i) {
    const uint32_t count = U16At(stringData, at);
    FUZZ_CHECK(count <= kLargestShortField);
    at += 2 + count;
  }
  FUZZ_CHECK(stringData.size() == at + 4 && U32At(stringData, at) == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const AnsiCodePage& codePage = SystemAnsiCodePage();
  FuzzInput input(data, size);
  const ShellLinkRequest request = ReadRequest(input, codePage);
  // The writer converts the path so far once per component: a target of
  // thousands of tiny components takes seconds and reaches nothing new (a
  // few long components already pass the ID list's limit).
  const auto components = std::count(request.target.begin(), request.target.end(), u'\\');
  if (static_cast<std::size_t>(components) * request.target.size() > 300'000) return 0;
  const std::string_view answers = input.Rest();

  InputSystem building(answers);
  const std::optional<std::vector<std::string>> blocks = BuildShellLinkBlocks(request, building, codePage);
  FUZZ_CHECK(building.writes.empty());
  if (blocks) {
    // A target the code page changes would make a link to another file.
    const std::string ansiTarget = codePage.ToAnsi(request.target);
    FUZZ_CHECK(codePage.FromAnsi(ansiTarget) == request.target);
    CheckBlocks(*blocks, ansiTarget);
  }

  // The writer asks the same questions, so the same answers give it the same
  // blocks; it writes them in order, one after the other, and stops at the
  // first write that is not whole.
  InputSystem writing(answers);
  const bool written = WriteShellLink(request, writing, codePage);
  const std::vector<Write>& writes = writing.writes;
  if (!blocks) FUZZ_CHECK(writes.empty());
  FUZZ_CHECK(writes.size() <= 8);
  uint32_t offset = 0;
  bool allWhole = true;
  for (std::size_t i = 0; i < writes.size(); ++i) {
    FUZZ_CHECK(allWhole);
    FUZZ_CHECK(writes[i].offset == offset && writes[i].bytes == (*blocks)[i]);
    allWhole = writes[i].result == static_cast<int64_t>(writes[i].bytes.size());
    offset += static_cast<uint32_t>(writes[i].bytes.size());
  }
  FUZZ_CHECK(written == (writes.size() == 8 && allWhole));
  if (written) {
    std::string whole;
    for (const std::string& block : *blocks) whole += block;
    FUZZ_CHECK(writing.file == whole);
  }
  return 0;
}
