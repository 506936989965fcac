// Off Windows there is no system ANSI code page: the portable code and its
// tests use code page 932 through iconv, as the program's files are defined.
#include <iconv.h>

#include <cerrno>
#include <stdexcept>

#include "platform/ansi.h"

namespace quistrel {
namespace {

class IconvConverter {
 public:
  IconvConverter(const char* to, const char* from) : cd_(iconv_open(to, from)) {
    if (cd_ == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error("iconv_open failed");
  }
  ~IconvConverter() { iconv_close(cd_); }
  IconvConverter(const IconvConverter&) = delete;
  IconvConverter& operator=(const IconvConverter&) = delete;

  // Converts the input; an unconvertible or invalid unit of inputUnit bytes is
  // replaced by the given bytes and skipped.
  std::string Convert(std::string_view input, std::size_t inputUnit, std::string_view replacement) const {
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    std::string out;
    char buffer[4096];
    char* in = const_cast<char*>(input.data());
    std::size_t inLeft = input.size();
    while (inLeft > 0) {
      char* outPtr = buffer;
      std::size_t outLeft = sizeof buffer;
      const std::size_t rc = iconv(cd_, &in, &inLeft, &outPtr, &outLeft);
      out.append(buffer, static_cast<std::size_t>(outPtr - buffer));
      if (rc == static_cast<std::size_t>(-1) && errno != E2BIG) {
        out.append(replacement);
        const std::size_t skip = std::min(inputUnit, inLeft);
        in += skip;
        inLeft -= skip;
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
      }
    }
    return out;
  }

 private:
  iconv_t cd_;
};

class Cp932CodePage final : public AnsiCodePage {
 public:
  std::string ToAnsi(std::u16string_view text) const override {
    const std::string_view raw(reinterpret_cast<const char*>(text.data()), text.size() * 2);
    return toAnsi_.Convert(raw, 2, "?");
  }
  std::u16string FromAnsi(std::string_view bytes) const override {
    static constexpr char kReplacement[] = {'\xFB', '\x30'};  // U+30FB, as Windows does
    const std::string raw = fromAnsi_.Convert(bytes, 1, std::string_view(kReplacement, 2));
    std::u16string text(raw.size() / 2, u'\0');
    for (std::size_t i = 0; i < text.size(); ++i) {
      text[i] = static_cast<char16_t>(static_cast<unsigned char>(raw[2 * i]) |
                                      (static_cast<unsigned char>(raw[2 * i + 1]) << 8));
    }
    return text;
  }

 private:
  IconvConverter toAnsi_{"CP932", "UTF-16LE"};
  IconvConverter fromAnsi_{"UTF-16LE", "CP932"};
};

}  // namespace

const AnsiCodePage& SystemAnsiCodePage() {
  static const Cp932CodePage codePage;
  return codePage;
}

}  // namespace quistrel
