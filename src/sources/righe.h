// `righe`: the lines of one text document, and the rendering that
// `scrivi_righe` writes. A writer fills slots 0, 1, 2, ... and puts the end
// marker in the slot after its last line; an unfilled slot below the marker
// is an empty line.
#pragma once

#include <array>
#include <string>
#include <string_view>

namespace sb {

class FileSystem;

inline constexpr std::string_view kEndMarker = "riferimento fine del file";

class Righe {
 public:
  static constexpr int kSlot = 1001;  // slots 0 to 1000

  std::string& operator[](int k) { return slot_.at(static_cast<std::size_t>(k)); }
  const std::string& operator[](int k) const { return slot_.at(static_cast<std::size_t>(k)); }

  // Fills the next slot; the writers add their lines in file order.
  Righe& operator<<(std::string_view line);
  // Puts the end marker in the next slot.
  void close() { *this << kEndMarker; }
  int filled() const { return next_; }

 private:
  std::array<std::string, kSlot> slot_{};
  int next_ = 0;
};

// The bytes of the document: every slot before the first end marker, each
// followed by CR LF. A list with no marker at all ends after slot 1000.
std::string document_text(const Righe& righe);

// Writes the document to `path`, replacing any older file of that name.
void scrivi_righe(const Righe& righe, const std::string& path, FileSystem& files);

}  // namespace sb
