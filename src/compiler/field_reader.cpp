#include "compiler/field_reader.h"

#include <algorithm>
#include <cctype>
#include <limits>

#include "compiler/error_codes.h"
#include "compiler/input_limits.h"

namespace sb {

namespace {

bool spazio(char c) {
  return c == ' ' || c == '\t';
}

char minuscola(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace

bool contiene(std::string_view campo, std::string_view parola) {
  const auto it = std::search(campo.begin(), campo.end(), parola.begin(), parola.end(),
                              [](char a, char b) { return minuscola(a) == minuscola(b); });
  return it != campo.end() || parola.empty();
}

bool contiene_esatto(std::string_view campo, std::string_view parola) {
  return campo.find(parola) != std::string_view::npos;
}

void LettoreCampi::salta_spazi() {
  while (pos_ < s_.size() && spazio(s_[pos_])) ++pos_;
}

bool LettoreCampi::a_fine_riga() const {
  return pos_ < s_.size() && (s_[pos_] == '\r' || s_[pos_] == '\n');
}

void LettoreCampi::consuma_fine_riga() {
  // CR LF, a lone LF or a lone CR each end one line.
  if (s_[pos_] == '\r' && pos_ + 1 < s_.size() && s_[pos_ + 1] == '\n') ++pos_;
  ++pos_;
  ++riga_;
  inizio_riga_ = pos_;
}

void LettoreCampi::chiudi_campo() {
  salta_spazi();
  if (pos_ >= s_.size()) return;
  if (s_[pos_] == ',') {
    ++pos_;
  } else if (a_fine_riga()) {
    consuma_fine_riga();
  }
}

void LettoreCampi::inizia_campo() {
  const bool finito = fine();
  salta_spazi();
  ultimo_.riga = riga_;
  ultimo_.colonna = colonna();
  ultimo_.testo.clear();
  inizio_campo_ = pos_;
  if (finito) throw ErroreLettura("the file ends in the middle of a row");
}

void LettoreCampi::controlla_lunghezza() const {
  const std::size_t lunghezza = pos_ - inizio_campo_;
  if (lunghezza > kMassimoCampo) {
    throw ErroreLimite(kCampoTroppoLungo, "a field of " + std::to_string(lunghezza) +
                                              " bytes, the longest is " +
                                              std::to_string(kMassimoCampo));
  }
}

Campo LettoreCampi::leggi_testo() {
  inizia_campo();
  if (pos_ < s_.size() && s_[pos_] == '"') {
    const std::size_t inizio = ++pos_;
    while (pos_ < s_.size() && s_[pos_] != '"' && s_[pos_] != '\r' && s_[pos_] != '\n') ++pos_;
    const std::size_t fine_testo = pos_;
    if (pos_ < s_.size() && s_[pos_] == '"') ++pos_;
    // Anything between the closing quote and the end of the field is dropped.
    while (pos_ < s_.size() && s_[pos_] != ',' && !a_fine_riga()) ++pos_;
    controlla_lunghezza();
    ultimo_.testo.assign(s_.substr(inizio, fine_testo - inizio));
  } else {
    const std::size_t inizio = pos_;
    while (pos_ < s_.size() && s_[pos_] != ',' && !a_fine_riga()) ++pos_;
    controlla_lunghezza();
    std::size_t fine_testo = pos_;
    while (fine_testo > inizio && spazio(s_[fine_testo - 1])) --fine_testo;
    ultimo_.testo.assign(s_.substr(inizio, fine_testo - inizio));
  }
  chiudi_campo();
  return ultimo_;
}

Long LettoreCampi::leggi_long() {
  inizia_campo();
  std::size_t inizio = pos_;
  std::size_t fine_numero;
  if (pos_ < s_.size() && s_[pos_] == '"') {
    inizio = ++pos_;
    while (pos_ < s_.size() && s_[pos_] != '"' && !a_fine_riga()) ++pos_;
    fine_numero = pos_;
    if (pos_ < s_.size() && s_[pos_] == '"') ++pos_;
  } else {
    while (pos_ < s_.size() && s_[pos_] != ',' && !a_fine_riga() && !spazio(s_[pos_])) ++pos_;
    fine_numero = pos_;
  }
  controlla_lunghezza();
  const std::string_view numero = s_.substr(inizio, fine_numero - inizio);
  ultimo_.testo.assign(numero);
  chiudi_campo();

  std::size_t i = 0;
  bool negativo = false;
  if (i < numero.size() && (numero[i] == '+' || numero[i] == '-')) negativo = numero[i++] == '-';
  if (i == numero.size()) {
    if (numero.empty()) return 0;
    throw ErroreLettura("a sign without a number");
  }
  std::int64_t valore = 0;
  for (; i < numero.size(); ++i) {
    if (!std::isdigit(static_cast<unsigned char>(numero[i])))
      throw ErroreLettura("\"" + std::string(numero) + "\" is not a number");
    valore = valore * 10 + (numero[i] - '0');
    if (valore > std::int64_t{std::numeric_limits<Long>::max()} + 1)
      throw ErroreLettura(std::string(numero) + " does not fit 32 bits");
  }
  if (negativo) valore = -valore;
  if (valore > std::numeric_limits<Long>::max())
    throw ErroreLettura(std::string(numero) + " does not fit 32 bits");
  return static_cast<Long>(valore);
}

Integer LettoreCampi::leggi_integer() {
  const Long v = leggi_long();
  if (v != low16(v) && su_troncamento) su_troncamento(ultimo_, 16, v);
  return low16(v);
}

Byte LettoreCampi::leggi_byte() {
  const Long v = leggi_long();
  if (v != low8(v) && su_troncamento) su_troncamento(ultimo_, 8, v);
  return low8(v);
}

}  // namespace sb
