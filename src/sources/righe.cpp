#include "sources/righe.h"

#include "platform/file_system.h"

namespace sb {

Righe& Righe::operator<<(std::string_view line) {
  (*this)[next_++] = std::string(line);
  return *this;
}

std::string document_text(const Righe& righe) {
  std::string bytes;
  for (int k = 0; k < Righe::kSlot && righe[k] != kEndMarker; ++k) {
    bytes += righe[k];
    bytes += "\r\n";
  }
  return bytes;
}

void scrivi_righe(const Righe& righe, const std::string& path, FileSystem& files) {
  files.write(path, document_text(righe));
}

}  // namespace sb
