// Both check codes read the same 25 bytes: the train number followed by the
// scenario identifier, lower-cased, then a fixed filler so that there are
// always at least 25. Texts are byte strings in the Western (Windows-1252)
// code page, and each byte counts as its unsigned value.
#include "compiler/check_codes.h"

#include <string>
#include <string_view>

#include "compiler/route_values.h"

namespace sb {

namespace {

constexpr std::string_view kFiller = "ccddffgghhllmmnnpprrssttvv";
constexpr std::size_t kCharacters = 25;

// Lower case in the Western code page: the ASCII capitals, the accented
// capitals 0xC0 to 0xDE (0xD7 is the multiplication sign), and the four
// capitals that the code page keeps in 0x80 to 0x9F.
unsigned char lower(unsigned char b) {
  if (b >= 'A' && b <= 'Z') return static_cast<unsigned char>(b + 0x20);
  if (b >= 0xC0 && b <= 0xDE && b != 0xD7) return static_cast<unsigned char>(b + 0x20);
  switch (b) {
    case 0x8A:
      return 0x9A;
    case 0x8C:
      return 0x9C;
    case 0x8E:
      return 0x9E;
    case 0x9F:
      return 0xFF;
    default:
      return b;
  }
}

// The 25 bytes that the codes are built from.
std::string work_text(const RouteModel& m) {
  std::string riga = m.oggetti.at(kTrainItem).testo + m.oggetti.at(kScenarioItem).testo;
  for (char& ch : riga) ch = static_cast<char>(lower(static_cast<unsigned char>(ch)));
  riga += kFiller;
  riga.resize(kCharacters);
  return riga;
}

}  // namespace

Long codice_gara_og(const RouteModel& m) {
  Long sum = 0;
  for (const char ch : work_text(m)) sum += static_cast<unsigned char>(ch);
  return sum;
}

Long codice_gara_st(const RouteModel& m) {
  const std::string riga = work_text(m);
  Long sum = 0;
  for (std::size_t i = 0; i < riga.size(); ++i) {
    sum += static_cast<Long>(i + 1) * static_cast<unsigned char>(riga[i]);
  }
  return sum;
}

}  // namespace sb
