#include "tools/plot.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <system_error>
#include <utility>

#include "tools/dump.h"

namespace sb {

// The picture is laid out top to bottom: title, plan, profile, legend. Every
// section draws itself below a running y and says how tall it was, so that
// the document's height is known only at the end.
//
// The plan uses the track plan's own coordinates with +y up (the line starts
// at the origin heading along +y), one scale for both axes. The profile maps
// metres along the line to the same x range as the plan's frame, with the
// gradient on the left axis and the speed limit on the right.

namespace {

// ---- Page geometry, in px ----

constexpr double kLarghezza = 1600;
constexpr double kSinistra = 130;  // left edge of the plotting area
constexpr double kDestra = 1470;   // right edge
constexpr double kAltezzaMassimaPianta = 640;
constexpr double kMarginePianta = 40;
constexpr double kAltezzaNomi = 165;  // most room above the profile for station names
constexpr double kAltezzaProfilo = 320;
constexpr double kAltezzaCorsia = 26;  // one lane of markers under the profile

// ---- Colours ----

constexpr const char* kColorePendenza = "#1f5fa8";
constexpr const char* kColoreVelocita = "#d62728";
constexpr const char* kColoreMontagna = "#a0522d";
constexpr const char* kColoreSegnale = "#2ca02c";
constexpr const char* kColoreIndicatori = "#ff7f0e";
constexpr const char* kColoreCartello = "#8e44ad";
constexpr const char* kColoreStazione = "#222222";
constexpr const char* kColoreRallentamento = "#e377c2";
constexpr const char* kColoreAvviso = "#d4b000";
constexpr const char* kColoreMarca = "#7f7f7f";

// ---- Numbers and texts ----

// A coordinate: one decimal at most. A value that is not finite or is wildly
// out of the page (a corrupt plan) is pinned so that the output stays valid.
std::string n(double v) {
  if (!std::isfinite(v)) v = 0;
  v = std::clamp(v, -1e6, 1e6);
  char buf[32];
  const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, 1);
  std::string s(buf, r.ptr);
  if (s.size() > 2 && s.compare(s.size() - 2, 2, ".0") == 0) s.resize(s.size() - 2);
  if (s == "-0") s = "0";
  return s;
}

// A value with a fixed number of decimals, for labels.
std::string decimali(double v, int cifre) {
  if (!std::isfinite(v)) return "?";
  char buf[64];
  auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, cifre);
  // A value too long for fixed notation (a corrupt plan's scale) is written
  // with an exponent instead.
  if (r.ec != std::errc{}) r = std::to_chars(buf, buf + sizeof buf, v);
  std::string s(buf, r.ptr);
  if (s.find_first_not_of("-0.") == std::string::npos) s = s.substr(s[0] == '-' ? 1 : 0);
  return s;
}

std::string km(double metri) {
  return "km " + decimali(metri / 1000, 3);
}

// UTF-8 text made safe for XML character data and attribute values.
std::string xml(std::string_view testo) {
  std::string s;
  s.reserve(testo.size());
  for (const char c : testo) {
    switch (c) {
      case '&':
        s += "&amp;";
        break;
      case '<':
        s += "&lt;";
        break;
      case '>':
        s += "&gt;";
        break;
      case '"':
        s += "&quot;";
        break;
      case '\'':
        s += "&apos;";
        break;
      default:
        s.push_back(c);
    }
  }
  return s;
}

// A Windows-1252 text of the item table, trimmed of its padding spaces, as
// UTF-8. Controls, which XML 1.0 does not allow or which would show as
// nothing, become U+FFFD.
std::string testo_leggibile(std::string_view testo) {
  const std::size_t inizio = testo.find_first_not_of(' ');
  if (inizio == std::string_view::npos) return "";
  testo = testo.substr(inizio, testo.find_last_not_of(' ') - inizio + 1);
  std::string s;
  for (const char ch : testo) {
    const char32_t c = cp1252_code_point(static_cast<unsigned char>(ch));
    if (c < 0x20 || (c >= 0x7F && c <= 0x9F)) {
      s += "\xEF\xBF\xBD";
    } else {
      s += utf8_from_cp1252(std::string_view(&ch, 1));
    }
  }
  return s;
}

// A round step (1, 2 or 5 times a power of ten) that cuts `ampiezza` into
// about `quanti` parts.
double passo_tondo(double ampiezza, double quanti) {
  const double grezzo = ampiezza / quanti;
  if (!(grezzo > 0) || !std::isfinite(grezzo)) return 1;
  const double grandezza = std::pow(10.0, std::floor(std::log10(grezzo)));
  const double r = grezzo / grandezza;
  return (r <= 1 ? 1 : r <= 2 ? 2 : r <= 5 ? 5 : 10) * grandezza;
}

// The decimals a tick label needs for a step.
int cifre_del_passo(double passo) {
  if (!(passo > 0) || passo >= 1) return 0;
  return std::min(6, static_cast<int>(std::ceil(-std::log10(passo) - 1e-9)));
}

// ---- What the route holds ----

// The metre at which an element coded in cell c stands, by the rule that
// placed it: point elements in cell arrotonda(p / 50 + 1), end of station in
// cell arrotonda(e / 50 - 1), abbattimento points in cell arrotonda(p / 50).
double metro_elemento(std::size_t c, Byte genere) {
  const double base = static_cast<double>(c) * kCellLength;
  switch (genere) {
    case kStationEnd:
      return base + kCellLength;
    case kMark:
    case kMarkWithoutValue:
      return base;
    default:
      return std::max(0.0, base - kCellLength);
  }
}

bool disegnato(Byte genere) {
  switch (genere) {
    case kSignal:
    case kSlowdownEnd:
    case kSlowdownStart:
    case kSlowdownWarning:
    case kSpeedBoards:
    case kStationEnd:
    case kMark:
    case kMarkWithoutValue:
    case kSign:
      return true;
    default:
      return false;
  }
}

// The lanes of markers under the profile, top to bottom.
constexpr int kCorsiaSegnali = 0;
constexpr int kCorsiaIndicatori = 1;
constexpr int kCorsiaCartelli = 2;
constexpr int kCorsiaStazioni = 3;
constexpr int kCorsiaRallentamenti = 4;
constexpr int kCorsiaMarche = 5;
constexpr int kNumeroCorsie = 6;

constexpr const char* kNomiCorsie[kNumeroCorsie] = {"Signals",      "Speed boards", "Signs",
                                                    "Station ends", "Slowdowns",    "Marks"};

int corsia_del_genere(Byte genere) {
  switch (genere) {
    case kSignal:
      return kCorsiaSegnali;
    case kSpeedBoards:
      return kCorsiaIndicatori;
    case kSign:
      return kCorsiaCartelli;
    case kStationEnd:
      return kCorsiaStazioni;
    case kSlowdownEnd:
    case kSlowdownStart:
    case kSlowdownWarning:
      return kCorsiaRallentamenti;
    default:
      return kCorsiaMarche;
  }
}

// The SVG shape of a marker centred on (x, y).
std::string simbolo(Byte genere, double x, double y) {
  const std::string cx = n(x);
  const std::string cy = n(y);
  switch (genere) {
    case kSignal:  // a mast with a lamp
      return "<path d=\"M" + n(x) + " " + n(y + 8) + "V" + n(y - 3) + "\" stroke=\"" +
             kColoreSegnale + "\" stroke-width=\"2\"/><circle cx=\"" + cx + "\" cy=\"" + n(y - 5) +
             "\" r=\"3.5\" fill=\"" + kColoreSegnale + "\"/>";
    case kSpeedBoards:
      return "<rect x=\"" + n(x - 4) + "\" y=\"" + n(y - 4) +
             "\" width=\"8\" height=\"8\" fill=\"" + kColoreIndicatori + "\"/>";
    case kSign:
      return "<path d=\"M" + cx + " " + n(y - 6) + "L" + n(x + 5) + " " + cy + "L" + cx + " " +
             n(y + 6) + "L" + n(x - 5) + " " + cy + "Z\" fill=\"" + kColoreCartello + "\"/>";
    case kStationEnd:
      return "<rect x=\"" + n(x - 1.5) + "\" y=\"" + n(y - 8) +
             "\" width=\"3\" height=\"16\" fill=\"" + kColoreStazione + "\"/>";
    case kSlowdownWarning:
      return "<path d=\"M" + cx + " " + n(y - 7) + "L" + n(x + 6) + " " + n(y + 5) + "L" +
             n(x - 6) + " " + n(y + 5) + "Z\" fill=\"" + kColoreAvviso +
             "\" stroke=\"#555\" stroke-width=\"0.8\"/>";
    case kSlowdownStart:  // points ahead: the slowdown begins
      return "<path d=\"M" + n(x - 5) + " " + n(y - 6) + "L" + n(x + 6) + " " + cy + "L" +
             n(x - 5) + " " + n(y + 6) + "Z\" fill=\"" + kColoreRallentamento + "\"/>";
    case kSlowdownEnd:  // points back: the slowdown ends
      return "<path d=\"M" + n(x + 5) + " " + n(y - 6) + "L" + n(x - 6) + " " + cy + "L" +
             n(x + 5) + " " + n(y + 6) + "Z\" fill=\"" + kColoreRallentamento + "\"/>";
    case kMark:
      return "<circle cx=\"" + cx + "\" cy=\"" + cy + "\" r=\"4\" fill=\"" + kColoreMarca + "\"/>";
    default:  // kMarkWithoutValue
      return "<circle cx=\"" + cx + "\" cy=\"" + cy + "\" r=\"3.5\" fill=\"#fff\" stroke=\"" +
             kColoreMarca + "\" stroke-width=\"1.5\"/>";
  }
}

std::string descrizione_elemento(const cella& c, double metri,
                                 const std::array<oggetto, kItemCount>& oggetti) {
  const std::string dove = " at " + km(metri);
  const auto testo_oggetto = [&](Integer i) {
    if (i < 0 || i >= kItemCount) return "item " + std::to_string(i) + " (no such item)";
    return testo_leggibile(oggetti.at(static_cast<std::size_t>(i)).testo);
  };
  const std::string dati = ": dato1 " + std::to_string(c.dato1) + ", dato2 " +
                           std::to_string(c.dato2) + ", dato3 " + std::to_string(c.dato3) +
                           ", dato4 " + std::to_string(c.dato4);
  switch (c.genere) {
    case kSignal:
      return "Signal" + dove + dati + ", tempo_segnale " + std::to_string(c.tempo_segnale);
    case kSpeedBoards:
      return "Speed boards" + dove + dati;
    case kSign:
      return "Sign" + dove + ": " + testo_oggetto(c.dato1);
    case kStationEnd:
      return "End of station" + dove + ": " + testo_oggetto(c.dato1);
    case kSlowdownWarning:
      return "Slowdown warning" + dove + ": speed " + std::to_string(c.dato1);
    case kSlowdownStart:
      return "Start of slowdown" + dove + ": speed " + std::to_string(c.dato1);
    case kSlowdownEnd:
      return "End of slowdown" + dove + ": speed " + std::to_string(c.dato1);
    case kMark:
      return "Mark" + dove + ": value " + std::to_string(c.dato1);
    default:
      return "Mark without value" + dove;
  }
}

// A run of cells with one value: [inizio, fine) in metres.
struct Tratto {
  double inizio;
  double fine;
  int value;
};

// Runs of equal values of one field over the cells that start before `fine`.
template <typename Field>
std::vector<Tratto> tratti(const std::vector<cella>& percorso, double fine, Field campo) {
  std::vector<Tratto> t;
  for (std::size_t c = 0; c < percorso.size(); ++c) {
    const double inizio = static_cast<double>(c) * kCellLength;
    if (inizio >= fine) break;
    const double termine = std::min(fine, inizio + kCellLength);
    const int v = campo(percorso[c]);
    if (!t.empty() && t.back().value == v && t.back().fine == inizio) {
      t.back().fine = termine;
    } else {
      t.push_back({inizio, termine, v});
    }
  }
  return t;
}

// A text label; with `alone` it is drawn twice, first as a white outline, so
// that it stays legible over lines.
std::string etichetta(double x, double y, std::string_view testo_xml, std::string_view attributi,
                      bool alone = false) {
  std::string s;
  const std::string pos = "<text x=\"" + n(x) + "\" y=\"" + n(y) + "\" ";
  if (alone) {
    s += pos;
    s += attributi;
    s += " stroke=\"#fff\" stroke-width=\"4\" stroke-linejoin=\"round\">";
    s += testo_xml;
    s += "</text>";
  }
  s += pos;
  s += attributi;
  s += ">";
  s += testo_xml;
  s += "</text>";
  return s;
}

// ---- Sections ----

struct Contesto {
  const PlotData& d;
  std::vector<PlotStation> stazioni;
  double fine_linea = 0;    // metres: the line's length, from item 84
  double fine_grafico = 0;  // metres shown on the profile's x axis
  double passo_km = 1;      // km between ticks
};

double x_profilo(const Contesto& k, double metri) {
  return kSinistra + (kDestra - kSinistra) * metri / k.fine_grafico;
}

double disegna_titolo(std::string& s, const Contesto& k) {
  const std::string scenario = testo_leggibile(k.d.oggetti.at(85).testo);
  const std::string treno = testo_leggibile(k.d.oggetti.at(86).testo);
  s += etichetta(kSinistra, 40,
                 "Scenario " + xml(scenario.empty() ? "(no identifier)" : scenario) +
                     " \xE2\x80\x94 train " + xml(treno.empty() ? "(no number)" : treno),
                 "font-size=\"26\" font-weight=\"bold\" fill=\"#111\"");
  s += etichetta(kSinistra, 64,
                 xml("Line " + decimali(k.fine_linea / 1000, 3) + " km \xC2\xB7 " +
                     std::to_string(k.stazioni.size()) + " stations \xC2\xB7 route of " +
                     std::to_string(k.d.percorso.size()) + " cells of 50 m"),
                 "font-size=\"14\" fill=\"#555\"");
  return 84;
}

void intestazione_sezione(std::string& s, double y, std::string_view titolo) {
  s += etichetta(kSinistra, y, titolo, "font-size=\"17\" font-weight=\"bold\" fill=\"#222\"");
}

double disegna_nota_pianta(std::string& s, double y0, const std::string& nota) {
  intestazione_sezione(s, y0 + 16, "Plan of the line");
  s += "<rect x=\"" + n(kSinistra) + "\" y=\"" + n(y0 + 26) + "\" width=\"" +
       n(kDestra - kSinistra) + "\" height=\"60\" fill=\"#f6f6f6\" stroke=\"#bbb\"/>";
  s += etichetta((kSinistra + kDestra) / 2, y0 + 61, xml(nota),
                 "font-size=\"15\" font-style=\"italic\" fill=\"#666\" text-anchor=\"middle\"");
  return 26 + 60 + 24;
}

double disegna_pianta(std::string& s, const Contesto& k, double y0) {
  if (!k.d.plan) return disegna_nota_pianta(s, y0, k.d.plan_note);
  const LinePlan& p = *k.d.plan;
  const std::size_t punti = std::min(p.x.size(), p.y.size());
  const auto valido = [&](std::size_t m) {
    return m < punti && p.x[m].type != TrackValueType::kEmpty && p.y[m].type != TrackValueType::kEmpty &&
           std::isfinite(p.x[m].value) && std::isfinite(p.y[m].value);
  };

  // One point every 50 m and the last point, which is where the plan ends.
  std::vector<std::size_t> scelti;
  const auto fine_linea = static_cast<std::size_t>(std::llround(k.fine_linea));
  for (std::size_t m = 0; m < punti; m += 50) scelti.push_back(m);
  if (fine_linea < punti) scelti.push_back(fine_linea);
  std::size_t ultimo = punti;
  while (ultimo > 0 && !valido(ultimo - 1)) --ultimo;
  if (ultimo > 0) {
    scelti.push_back(ultimo - 1);
    std::sort(scelti.begin(), scelti.end());
    scelti.erase(std::unique(scelti.begin(), scelti.end()), scelti.end());
  }

  double min_x = std::numeric_limits<double>::infinity(), max_x = -min_x;
  double min_y = min_x, max_y = -min_x;
  bool alcuno = false;
  for (const std::size_t m : scelti) {
    if (!valido(m)) continue;
    alcuno = true;
    min_x = std::min(min_x, p.x[m].value);
    max_x = std::max(max_x, p.x[m].value);
    min_y = std::min(min_y, p.y[m].value);
    max_y = std::max(max_y, p.y[m].value);
  }
  if (!alcuno) return disegna_nota_pianta(s, y0, "The track plan holds no points.");

  const double larghezza = kDestra - kSinistra;
  double scala = std::numeric_limits<double>::infinity();
  if (max_x - min_x > 0) scala = std::min(scala, larghezza / (max_x - min_x));
  if (max_y - min_y > 0) scala = std::min(scala, kAltezzaMassimaPianta / (max_y - min_y));
  if (!std::isfinite(scala) || !(scala > 0)) scala = 1;
  const double altezza = (max_y - min_y) * scala;
  const double cornice = altezza + 2 * kMarginePianta;
  const double alto = y0 + 26;
  const double centro_x = (min_x + max_x) / 2;
  const auto px = [&](std::size_t m) {
    return (kSinistra + kDestra) / 2 + (p.x[m].value - centro_x) * scala;
  };
  const auto py = [&](std::size_t m) {
    return alto + kMarginePianta + (max_y - p.y[m].value) * scala;
  };

  intestazione_sezione(s, y0 + 16, "Plan of the line");
  s += etichetta(kDestra, y0 + 16, "equal scales on both axes, +y up",
                 "font-size=\"12\" fill=\"#777\" text-anchor=\"end\"");
  s += "<rect x=\"" + n(kSinistra) + "\" y=\"" + n(alto) + "\" width=\"" + n(larghezza) +
       "\" height=\"" + n(cornice) + "\" fill=\"#fbfbf8\" stroke=\"#bbb\"/>";

  // The line solid, the run-out beyond its end dashed.
  const std::size_t fine = fine_linea;
  std::string linea;
  std::string coda;
  bool nuovo_tratto = true;
  bool in_coda = false;
  for (const std::size_t m : scelti) {
    if (!valido(m)) {
      nuovo_tratto = true;
      continue;
    }
    const std::string punto = n(px(m)) + " " + n(py(m));
    if (!in_coda && m > fine) {
      // The run-out continues from the last point of the line.
      in_coda = true;
      nuovo_tratto = linea.empty();
      if (!nuovo_tratto) coda += "M" + linea.substr(linea.find_last_of("ML") + 1);
    }
    (in_coda ? coda : linea) += (nuovo_tratto ? "M" : "L") + punto;
    nuovo_tratto = false;
  }
  s += "<path d=\"" + linea +
       "\" fill=\"none\" stroke=\"#333\" stroke-width=\"2.5\" stroke-linejoin=\"round\"/>";
  if (!coda.empty()) {
    s += "<path d=\"" + coda +
         "\" fill=\"none\" stroke=\"#999\" stroke-width=\"1.5\" stroke-dasharray=\"6 "
         "4\"><title>Run-out "
         "beyond the end of the line</title></path>";
  }

  // The unit normal to the track at metre m, on the page: to the right of the
  // direction of travel for `lato` = 1, to the left for -1.
  const auto normale = [&](std::size_t m, double lato) {
    std::size_t prima = m >= 50 ? m - 50 : 0;
    std::size_t dopo = std::min(m + 50, punti > 0 ? punti - 1 : 0);
    while (prima < m && !valido(prima)) ++prima;
    while (dopo > m && !valido(dopo)) --dopo;
    const double dx = px(dopo) - px(prima);
    const double dy = py(dopo) - py(prima);
    const double l = std::hypot(dx, dy);
    if (!(l > 0) || !std::isfinite(l)) return std::pair<double, double>{lato, 0};
    return std::pair<double, double>{-dy / l * lato, dx / l * lato};
  };
  // Labels never cover one another nor a station: each one placed, and each
  // station's dot, reserves its box, and a label that finds no free place is
  // left out (the station keeps its tooltip, and the profile names it).
  struct Riquadro {
    double x0, y0, x1, y1;
  };
  std::vector<Riquadro> occupati;
  const auto libero = [&](const Riquadro& r) {
    if (r.x0 < kSinistra || r.x1 > kDestra || r.y0 < alto || r.y1 > alto + cornice) return false;
    return std::none_of(occupati.begin(), occupati.end(), [&](const Riquadro& o) {
      return r.x0 < o.x1 && o.x0 < r.x1 && r.y0 < o.y1 && o.y0 < r.y1;
    });
  };
  // A label beside the track at metre m, `distanza` px out on the side
  // `lato`; with `fondo` on a pale box. Its size is estimated from the number
  // of characters. Returns false, drawing nothing, when the place is taken.
  const auto a_lato = [&](std::size_t m, double lato, double distanza, const std::string& testo,
                          double corpo, std::string_view attributi, bool fondo) {
    const auto [nx, ny] = normale(m, lato);
    const double ax = px(m) + nx * distanza;
    const double ay = py(m) + ny * distanza;
    const char* ancora = nx > 0.35 ? "start" : nx < -0.35 ? "end" : "middle";
    const double base = ay + corpo * 0.35 + ny * corpo * 0.5;
    std::size_t caratteri = 0;
    for (const char c : testo) caratteri += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    const double w = static_cast<double>(caratteri) * corpo * 0.6;
    const double x0 = nx > 0.35 ? ax : nx < -0.35 ? ax - w : ax - w / 2;
    const Riquadro r{x0 - 3, base - corpo * 0.95, x0 + w + 3, base + corpo * 0.35};
    if (!libero(r)) return false;
    occupati.push_back(r);
    if (fondo) {
      s += "<rect x=\"" + n(r.x0) + "\" y=\"" + n(r.y0) + "\" width=\"" + n(r.x1 - r.x0) +
           "\" height=\"" + n(r.y1 - r.y0) +
           "\" rx=\"3\" fill=\"#fff\" fill-opacity=\"0.85\" stroke=\"#ccc\" stroke-width=\"0.6\"/>";
    }
    s += etichetta(ax, base, xml(testo), std::string(attributi) + " text-anchor=\"" + ancora + "\"",
                   !fondo);
    return true;
  };

  // The start and the end of the line.
  const auto capolinea = [&](std::size_t m, const char* nome) {
    s += "<circle cx=\"" + n(px(m)) + "\" cy=\"" + n(py(m)) + "\" r=\"6\" fill=\"#333\"/>";
    const char* attributi = "font-size=\"12\" font-weight=\"bold\" fill=\"#333\"";
    if (!a_lato(m, -1, 12, nome, 12, attributi, false))
      a_lato(m, 1, 12, nome, 12, attributi, false);
  };
  if (valido(0)) capolinea(0, "start");
  if (valido(fine) && fine > 0) capolinea(fine, "end");

  // The stations: every dot first, then the names, on alternate sides so
  // that neighbours collide less.
  std::vector<const PlotStation*> sulla_pianta;
  for (const PlotStation& st : k.stazioni) {
    if (st.position < 0 || !valido(static_cast<std::size_t>(st.position))) continue;
    const auto m = static_cast<std::size_t>(st.position);
    sulla_pianta.push_back(&st);
    s += "<circle cx=\"" + n(px(m)) + "\" cy=\"" + n(py(m)) +
         "\" r=\"5.5\" fill=\"#fff\" stroke=\"" + kColoreStazione +
         "\" stroke-width=\"2.5\"><title>" + xml(st.name) + " (" + km(st.position) +
         ")</title></circle>";
    occupati.push_back({px(m) - 6, py(m) - 6, px(m) + 6, py(m) + 6});
  }
  double lato = 1;
  for (const PlotStation* st : sulla_pianta) {
    const auto m = static_cast<std::size_t>(st->position);
    const char* attributi = "font-size=\"14\" fill=\"#111\"";
    for (const auto& [verso, distanza] : {std::pair{lato, 12.0}, std::pair{-lato, 12.0},
                                          std::pair{lato, 30.0}, std::pair{-lato, 30.0}}) {
      if (a_lato(m, verso, distanza, st->name, 14, attributi, true)) break;
    }
    lato = -lato;
  }

  // Kilometre posts at the profile's ticks, so that the two views can be
  // matched; labelled where there is room.
  for (double k_m = k.passo_km * 1000; k_m < k.fine_linea; k_m += k.passo_km * 1000) {
    const auto m = static_cast<std::size_t>(std::llround(k_m));
    if (!valido(m)) continue;
    s += "<circle cx=\"" + n(px(m)) + "\" cy=\"" + n(py(m)) + "\" r=\"2.5\" fill=\"#999\"/>";
    const std::string testo = decimali(k_m / 1000, cifre_del_passo(k.passo_km)) + " km";
    if (!a_lato(m, -1, 8, testo, 11, "font-size=\"11\" fill=\"#888\"", false)) {
      a_lato(m, 1, 8, testo, 11, "font-size=\"11\" fill=\"#888\"", false);
    }
  }

  // A scale bar of a round length, about 150 px long.
  const double metri_barra = passo_tondo(150 / scala, 1);
  const double lunga = metri_barra * scala;
  const double bx = kSinistra + 16;
  const double by = alto + cornice - 14;
  s += "<path d=\"M" + n(bx) + " " + n(by - 5) + "V" + n(by) + "H" + n(bx + lunga) + "V" +
       n(by - 5) + "\" fill=\"none\" stroke=\"#333\" stroke-width=\"1.5\"/>";
  s += etichetta(bx + lunga + 8, by + 1,
                 metri_barra >= 1000
                     ? decimali(metri_barra / 1000, cifre_del_passo(metri_barra / 1000)) + " km"
                     : decimali(metri_barra, 0) + " m",
                 "font-size=\"12\" fill=\"#333\"");
  return 26 + cornice + 24;
}

double disegna_profilo(std::string& s, const Contesto& k, double y0) {
  const std::vector<cella>& percorso = k.d.percorso;
  // Room above the graph for the names of the stations, slanted at 50
  // degrees: as tall as the longest name needs, within a limit.
  std::size_t nome_piu_lungo = 0;
  for (const PlotStation& st : k.stazioni) {
    const auto caratteri =
        static_cast<std::size_t>(std::count_if(st.name.begin(), st.name.end(), [](char c) {
          return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
        }));
    nome_piu_lungo = std::max(nome_piu_lungo, caratteri);
  }
  const double altezza_nomi =
      k.stazioni.empty()
          ? 10
          : std::min(kAltezzaNomi, 34 + static_cast<double>(nome_piu_lungo) * 13 * 0.6 * 0.77);
  const double alto = y0 + 26 + altezza_nomi;  // top of the graph
  const double basso = alto + kAltezzaProfilo;
  const double corsie = basso + 8;
  const double fondo = corsie + kNumeroCorsie * kAltezzaCorsia;

  intestazione_sezione(s, y0 + 16, "Longitudinal profile");

  // The running attributes, over the line only: the run-out beyond its end
  // holds zeros, not values.
  const auto pendenze =
      tratti(percorso, k.fine_linea, [](const cella& c) { return int{c.pendenza} - 100; });
  const auto velocita =
      tratti(percorso, k.fine_linea, [](const cella& c) { return int{c.velocita} * 5; });
  const auto montagne =
      tratti(percorso, k.fine_grafico, [](const cella& c) { return int{c.montagna}; });

  int min_g = 0, max_g = 0, max_v = 0;
  for (const Tratto& t : pendenze) {
    min_g = std::min(min_g, t.value);
    max_g = std::max(max_g, t.value);
  }
  for (const Tratto& t : velocita) max_v = std::max(max_v, t.value);
  if (min_g == max_g) {
    min_g -= 10;
    max_g += 10;
  }
  const double passo_g = passo_tondo(max_g - min_g, 6);
  const double g0 = std::floor(min_g / passo_g) * passo_g;
  const double g1 = std::ceil(max_g / passo_g) * passo_g;
  const double passo_v = passo_tondo(std::max(max_v, 50), 6);
  const double v1 = std::ceil(std::max(max_v, 50) / passo_v) * passo_v;
  const auto yg = [&](double g) { return basso - (g - g0) / (g1 - g0) * kAltezzaProfilo; };
  const auto yv = [&](double v) { return basso - v / v1 * kAltezzaProfilo; };
  const auto x = [&](double metri) { return x_profilo(k, metri); };

  // Background, mountain spans and the stretch beyond the end of the line.
  s += "<rect x=\"" + n(kSinistra) + "\" y=\"" + n(alto) + "\" width=\"" + n(kDestra - kSinistra) +
       "\" height=\"" + n(kAltezzaProfilo) + "\" fill=\"#fcfcfc\" stroke=\"#bbb\"/>";
  for (const Tratto& t : montagne) {
    if (t.value == 0) continue;
    s += "<rect x=\"" + n(x(t.inizio)) + "\" y=\"" + n(alto) + "\" width=\"" +
         n(std::max(1.0, x(t.fine) - x(t.inizio))) + "\" height=\"" + n(kAltezzaProfilo) +
         "\" fill=\"" + kColoreMontagna + "\" fill-opacity=\"0.16\"><title>Mountain span, kind " +
         std::to_string(t.value) + ": " + km(t.inizio) + " to " + km(t.fine) + "</title></rect>";
  }
  if (k.fine_grafico > k.fine_linea) {
    s += "<rect x=\"" + n(x(k.fine_linea)) + "\" y=\"" + n(alto) + "\" width=\"" +
         n(kDestra - x(k.fine_linea)) + "\" height=\"" + n(fondo - alto) +
         "\" fill=\"#888\" fill-opacity=\"0.15\"><title>Beyond the end of the line</title></rect>";
  }

  // Gradient grid and axis (left), speed axis (right).
  for (double g = g0; g <= g1 + passo_g / 2; g += passo_g) {
    s += "<path d=\"M" + n(kSinistra) + " " + n(yg(g)) + "H" + n(kDestra) + "\" stroke=\"" +
         (std::abs(g) < passo_g / 2 ? "#999" : "#e4e4e4") + "\" stroke-width=\"1\"/>";
    s += etichetta(
        kSinistra - 8, yg(g) + 4, decimali(g, cifre_del_passo(passo_g)),
        std::string("font-size=\"12\" text-anchor=\"end\" fill=\"") + kColorePendenza + "\"");
  }
  for (double v = 0; v <= v1 + passo_v / 2; v += passo_v) {
    s += "<path d=\"M" + n(kDestra) + " " + n(yv(v)) + "h5\" stroke=\"" + kColoreVelocita + "\"/>";
    s += etichetta(kDestra + 8, yv(v) + 4, decimali(v, cifre_del_passo(passo_v)),
                   std::string("font-size=\"12\" fill=\"") + kColoreVelocita + "\"");
  }
  const double meta = (alto + basso) / 2;
  s += "<text x=\"" + n(kSinistra - 52) + "\" y=\"" + n(meta) + "\" transform=\"rotate(-90 " +
       n(kSinistra - 52) + " " + n(meta) +
       ")\" font-size=\"14\" font-weight=\"bold\" text-anchor=\"middle\" fill=\"" +
       kColorePendenza + "\">Gradient (\xE2\x80\xB0)</text>";
  s += "<text x=\"" + n(kDestra + 58) + "\" y=\"" + n(meta) + "\" transform=\"rotate(90 " +
       n(kDestra + 58) + " " + n(meta) +
       ")\" font-size=\"14\" font-weight=\"bold\" text-anchor=\"middle\" fill=\"" +
       kColoreVelocita + "\">Speed limit (km/h)</text>";

  // Kilometre grid through the graph and the lanes, ticks and labels below.
  const int cifre_km = cifre_del_passo(k.passo_km);
  for (double m = 0; m <= k.fine_grafico + 1e-6; m += k.passo_km * 1000) {
    s += "<path d=\"M" + n(x(m)) + " " + n(alto) + "V" + n(fondo) +
         "\" stroke=\"#ececec\" stroke-width=\"1\"/>";
    s += "<path d=\"M" + n(x(m)) + " " + n(fondo) + "v6\" stroke=\"#333\"/>";
    s += etichetta(x(m), fondo + 20, decimali(m / 1000, cifre_km),
                   "font-size=\"12\" text-anchor=\"middle\" fill=\"#333\"");
  }
  s += "<path d=\"M" + n(kSinistra) + " " + n(fondo) + "H" + n(kDestra) + "\" stroke=\"#333\"/>";
  s += etichetta((kSinistra + kDestra) / 2, fondo + 42, "Distance along the line (km)",
                 "font-size=\"14\" font-weight=\"bold\" text-anchor=\"middle\" fill=\"#222\"");

  // The two step lines; the gradient also shaded against zero.
  if (!pendenze.empty()) {
    std::string linea;
    for (std::size_t i = 0; i < pendenze.size(); ++i) {
      linea += (i == 0 ? "M" + n(x(pendenze[i].inizio)) + " " : std::string("V")) +
               n(yg(pendenze[i].value)) + "H" + n(x(pendenze[i].fine));
    }
    const std::string zero = n(yg(std::clamp(0.0, g0, g1)));
    s += "<path d=\"M" + n(x(pendenze.front().inizio)) + " " + zero +
         linea.substr(1).insert(0, "L") + "V" + zero + "Z\" fill=\"" + kColorePendenza +
         "\" fill-opacity=\"0.12\" stroke=\"none\"/>";
    s += "<path d=\"" + linea + "\" fill=\"none\" stroke=\"" + kColorePendenza +
         "\" stroke-width=\"1.8\"/>";
  }
  if (!velocita.empty()) {
    std::string linea;
    for (std::size_t i = 0; i < velocita.size(); ++i) {
      linea += (i == 0 ? "M" + n(x(velocita[i].inizio)) + " " : std::string("V")) +
               n(yv(velocita[i].value)) + "H" + n(x(velocita[i].fine));
    }
    s += "<path d=\"" + linea + "\" fill=\"none\" stroke=\"" + kColoreVelocita +
         "\" stroke-width=\"2.2\"/>";
  }

  // Lanes of markers.
  for (int c = 0; c < kNumeroCorsie; ++c) {
    const double yc = corsie + c * kAltezzaCorsia;
    if (c % 2 == 0) {
      s += "<rect x=\"" + n(kSinistra) + "\" y=\"" + n(yc) + "\" width=\"" +
           n(kDestra - kSinistra) + "\" height=\"" + n(kAltezzaCorsia) +
           "\" fill=\"#000\" fill-opacity=\"0.035\"/>";
    }
    s += etichetta(kSinistra - 8, yc + kAltezzaCorsia / 2 + 4, kNomiCorsie[c],
                   "font-size=\"12\" text-anchor=\"end\" fill=\"#333\"");
  }
  for (std::size_t c = 0; c < percorso.size(); ++c) {
    const cella& e = percorso[c];
    if (!disegnato(e.genere)) continue;
    const double metri = metro_elemento(c, e.genere);
    if (metri > k.fine_grafico) continue;
    const double yc = corsie + corsia_del_genere(e.genere) * kAltezzaCorsia + kAltezzaCorsia / 2;
    s += "<g>" + simbolo(e.genere, x(metri), yc) + "<title>" +
         xml(descrizione_elemento(e, metri, k.d.oggetti)) + "</title></g>";
  }

  // Stations: a dashed line through graph and lanes, the name above. Names
  // of stations close together are spread apart, as near to their station as
  // the room allows, and joined to it by a short leader.
  std::vector<std::pair<double, const PlotStation*>> names;
  for (const PlotStation& st : k.stazioni) {
    if (st.position < 0 || st.position > k.fine_grafico) continue;
    names.emplace_back(x(st.position), &st);
  }
  std::stable_sort(names.begin(), names.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  constexpr double kDistanzaNomi = 17;
  std::vector<double> xn(names.size());
  for (std::size_t i = 0; i < names.size(); ++i) {
    xn[i] = i == 0 ? names[i].first : std::max(names[i].first, xn[i - 1] + kDistanzaNomi);
  }
  for (std::size_t i = names.size(); i-- > 0;) {
    const double limite = i + 1 == names.size() ? kDestra : xn[i + 1] - kDistanzaNomi;
    xn[i] = std::min(xn[i], limite);
  }
  for (std::size_t i = 0; i < names.size(); ++i) {
    const double xs = names[i].first;
    const PlotStation& st = *names[i].second;
    s += "<path d=\"M" + n(xn[i]) + " " + n(alto - 16) + "L" + n(xs) + " " + n(alto - 6) + "V" +
         n(fondo) +
         "\" fill=\"none\" stroke=\"#555\" stroke-width=\"1\" stroke-dasharray=\"4 3\"/>";
    s += "<text x=\"" + n(xn[i]) + "\" y=\"" + n(alto - 20) + "\" transform=\"rotate(-50 " +
         n(xn[i]) + " " + n(alto - 20) + ")\" font-size=\"13\" fill=\"#111\">" + xml(st.name) +
         "<title>" + xml(st.name + " (" + km(st.position) + ")") + "</title></text>";
  }
  return fondo + 60 - y0;
}

double disegna_legenda(std::string& s, double y0) {
  intestazione_sezione(s, y0 + 16, "Legend");
  struct Voce {
    std::string simbolo;
    const char* testo;
  };
  const auto riga = [](const char* colore, double spessore, const char* extra = "") {
    return [=](double x, double y) {
      return "<path d=\"M" + n(x - 14) + " " + n(y) + "H" + n(x + 14) + "\" stroke=\"" + colore +
             "\" stroke-width=\"" + n(spessore) + "\" " + extra + "/>";
    };
  };
  const auto campione = [](const char* colore, double opacita) {
    return [=](double x, double y) {
      return "<rect x=\"" + n(x - 14) + "\" y=\"" + n(y - 8) +
             "\" width=\"28\" height=\"16\" fill=\"" + colore + "\" fill-opacity=\"" +
             decimali(opacita, 2) + "\"/>";
    };
  };
  const auto marca = [](Byte genere) {
    return [=](double x, double y) { return simbolo(genere, x, y); };
  };
  using Disegna = std::function<std::string(double, double)>;
  const std::pair<Disegna, const char*> voci[] = {
      {riga(kColorePendenza, 1.8), "Gradient (\xE2\x80\xB0), left axis"},
      {riga(kColoreVelocita, 2.2), "Speed limit (km/h), right axis"},
      {campione(kColoreMontagna, 0.3), "Mountain span"},
      {campione("#888", 0.25), "Beyond the end of the line"},
      {riga("#555", 1, "stroke-dasharray=\"4 3\""), "Station (named)"},
      {marca(kStationEnd), "End of station"},
      {marca(kSignal), "Signal"},
      {marca(kSpeedBoards), "Speed boards"},
      {marca(kSign), "Sign"},
      {marca(kSlowdownWarning), "Slowdown warning point"},
      {marca(kSlowdownStart), "Start of slowdown"},
      {marca(kSlowdownEnd), "End of slowdown"},
      {marca(kMark), "Mark with a value"},
      {marca(kMarkWithoutValue), "Mark without a value"},
  };
  constexpr int kColonne = 5;
  const double larghezza = (kDestra - kSinistra) / kColonne;
  int i = 0;
  for (const auto& [disegna, testo] : voci) {
    const double x = kSinistra + 16 + (i % kColonne) * larghezza;
    const double y = y0 + 42 + (i / kColonne) * 28;
    s += disegna(x, y);
    s += etichetta(x + 24, y + 4, testo, "font-size=\"13\" fill=\"#222\"");
    ++i;
  }
  const int righe = (i + kColonne - 1) / kColonne;
  return 42 + righe * 28;
}

}  // namespace

std::vector<PlotStation> plot_stations(
    const std::array<oggetto, kItemCount>& oggetti) {
  std::vector<PlotStation> st;
  // Stations fill the items from 1 upward; sign texts come down from 80 and
  // have no kind.
  for (int i = 1; i <= 80; ++i) {
    const oggetto& o = oggetti.at(static_cast<std::size_t>(i));
    if (o.genere == 0) continue;
    std::string nome = testo_leggibile(o.testo);
    if (nome.empty()) continue;
    st.push_back({i, std::move(nome), o.valore_c});
  }
  return st;
}

std::string draw_scenario(const PlotData& d) {
  Contesto k{d, plot_stations(d.oggetti)};
  const double metri_percorso = static_cast<double>(d.percorso.size()) * kCellLength;
  const Long lunghezza = d.oggetti.at(84).valore_b;
  k.fine_linea = (lunghezza > 0 && lunghezza <= metri_percorso) ? lunghezza : metri_percorso;
  // The x axis covers the line, and also any element or station coded beyond
  // its end, which an author will want to see.
  k.fine_grafico = k.fine_linea;
  for (std::size_t c = 0; c < d.percorso.size(); ++c) {
    if (disegnato(d.percorso[c].genere)) {
      k.fine_grafico = std::max(k.fine_grafico, metro_elemento(c, d.percorso[c].genere));
    }
  }
  for (const PlotStation& st : k.stazioni) {
    if (st.position <= metri_percorso) {
      k.fine_grafico = std::max(k.fine_grafico, static_cast<double>(st.position));
    }
  }
  if (!(k.fine_grafico > 0)) k.fine_grafico = 1000;
  k.passo_km = passo_tondo(k.fine_grafico / 1000, 16);

  std::string corpo;
  corpo.reserve(1 << 18);
  double y = disegna_titolo(corpo, k);
  y += disegna_pianta(corpo, k, y);
  y += disegna_profilo(corpo, k, y);
  y += disegna_legenda(corpo, y);
  y += 16;

  std::string s =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.1\" width=\"" +
      n(kLarghezza) + "\" height=\"" + n(y) + "\" viewBox=\"0 0 " + n(kLarghezza) + " " + n(y) +
      "\" font-family=\"DejaVu Sans, Verdana, Arial, sans-serif\">\n";
  s += "<title>" + xml(testo_leggibile(d.oggetti.at(85).testo)) + " " +
       xml(testo_leggibile(d.oggetti.at(86).testo)) + "</title>\n";
  s += "<rect width=\"100%\" height=\"100%\" fill=\"#fff\"/>\n";
  s += corpo;
  s += "\n</svg>\n";
  return s;
}

}  // namespace sb
