// `scenario-builder compile`: an author's line and train sources compiled by
// the same compiler as the one-shot run, with every mistake reported where it
// stands. The author's files are only read, never changed or deleted.
#include <filesystem>
#include <memory>
#include <nlohmann/json.hpp>

#include "compiler/compile_step.h"
#include "compiler/error_codes.h"
#include "compiler/memory_sources.h"
#include "run/compiled_output.h"
#include "run/file_system.h"
#include "tools/commands.h"
#include "tools/diagnostics.h"
#include "tools/text_encoding.h"

namespace sb {

namespace {

namespace fs = std::filesystem;

constexpr std::string_view kSuffissoLinea = "_linea.txt";
constexpr std::string_view kSuffissoTreno = "-.txt";

bool finisce_con(std::string_view s, std::string_view fine) {
  return s.size() >= fine.size() && s.substr(s.size() - fine.size()) == fine;
}

// ID from "ID_linea.txt".
std::optional<std::string> scenario_dal_nome(const std::string& percorso) {
  const std::string nome = fs::path(percorso).filename().string();
  if (!finisce_con(nome, kSuffissoLinea) || nome.size() == kSuffissoLinea.size())
    return std::nullopt;
  return nome.substr(0, nome.size() - kSuffissoLinea.size());
}

// NUM from "ID_NUM-.txt".
std::optional<std::string> treno_dal_nome(const std::string& percorso) {
  const std::string nome = fs::path(percorso).filename().string();
  if (!finisce_con(nome, kSuffissoTreno)) return std::nullopt;
  const std::string radice = nome.substr(0, nome.size() - kSuffissoTreno.size());
  const auto trattino = radice.rfind('_');
  if (trattino == std::string::npos || trattino + 1 == radice.size()) return std::nullopt;
  return radice.substr(trattino + 1);
}

// Whether writing `uscita` would replace `sorgente`: the same file under any
// name (another spelling, a link). An output not there yet replaces nothing.
bool stesso_file(const std::string& uscita, const std::string& sorgente) {
  std::error_code ec;
  const bool stesso = fs::equivalent(uscita, sorgente, ec);
  return !ec && stesso;
}

const char* nome_esito(EsitoCompilazione e) {
  switch (e) {
    case EsitoCompilazione::kGuardia1250:
      return "1250";
    case EsitoCompilazione::kGuardia1251:
      return "1251";
    default:
      return nullptr;
  }
}

nlohmann::json in_json(const Diagnostica& d) {
  nlohmann::json j = {{"severity", d.errore ? "error" : "warning"},
                      {"file", d.file},
                      {"line", d.riga},
                      {"column", d.colonna},
                      {"message", utf8_da_1252(d.messaggio)}};
  j["code"] = d.errore ? nlohmann::json(d.codice) : nlohmann::json(nullptr);
  j["position"] = d.posizione ? nlohmann::json(*d.posizione) : nlohmann::json(nullptr);
  return j;
}

}  // namespace

int comando_compile(const OpzioniCompile& o, Ambiente& a) {
  const std::optional<std::string> scenario = o.scenario ? o.scenario : scenario_dal_nome(o.linea);
  const std::optional<std::string> numero =
      o.numero_treno ? o.numero_treno : treno_dal_nome(o.treno);
  if (!scenario || scenario->empty()) {
    a.err << "scenario-builder compile: cannot tell the scenario identifier from \"" << o.linea
          << "\": name the line source ID_linea.txt or give --scenario ID\n";
    return kEsitoUso;
  }
  if (!numero || numero->empty()) {
    a.err << "scenario-builder compile: cannot tell the train number from \"" << o.treno
          << "\": name the train source ID_NUM-.txt or give --train NUM\n";
    return kEsitoUso;
  }

  auto m = std::make_unique<RouteModel>();
  m->scenario = *scenario;
  m->treno = *numero;
  const NomiFile nomi{m->scenario, m->treno};
  auto percorso_di = [&](const std::string& nome) {
    return (fs::path(o.cartella) / nome).string();
  };
  for (const std::string& uscita :
       {percorso_di(nomi.tracciato()), percorso_di(nomi.oggetti()), percorso_di(nomi.percorso())}) {
    if (stesso_file(uscita, o.linea) || stesso_file(uscita, o.treno)) {
      a.err << "scenario-builder compile: the output " << uscita
            << " would replace a source; choose another directory with -o\n";
      return kEsitoUso;
    }
  }

  std::string testo_linea, testo_treno;
  try {
    testo_linea = a.files.read(o.linea);
    testo_treno = a.files.read(o.treno);
  } catch (const FileError& e) {
    a.err << "scenario-builder compile: " << e.what() << "\n";
    return kEsitoErrori;
  }

  SorgentiInMemoria sorgenti(&testo_linea, &testo_treno);
  Resoconto resoconto;
  const EsitoCompilazione esito =
      memorizza_percorso(*m, sorgenti, o.senza_tracciato ? 0 : 1, &resoconto);
  const std::vector<Diagnostica> diagnostiche =
      raccogli_diagnostiche(*m, resoconto, o.linea, o.treno);

  std::vector<std::string> scritti;
  int stato = m->codice_errore != 0 ? kEsitoErrori : kEsitoOk;
  std::string problema;
  if (esito == EsitoCompilazione::kCompleto) {
    try {
      a.files.create_directories(o.cartella);
      for (const std::string& nome : scrivi_compilati(*m, nomi, percorso_di, a.files))
        scritti.push_back(percorso_di(nome));
    } catch (const FileError& e) {
      problema = e.what();
      stato = kEsitoErrori;
    }
  } else if (esito == EsitoCompilazione::kSenzaPercorso) {
    problema =
        "the line has no cells (no valid line length was read): no compiled file was written";
    stato = kEsitoErrori;
  } else {
    const Long codice =
        esito == EsitoCompilazione::kGuardia1250 ? kGuardiaCostanti : kGuardiaCodici;
    problema = "error " + std::string(nome_esito(esito)) + ": " + messaggio_errore(codice) +
               ": no compiled file was written";
    stato = kEsitoFatale;
  }

  if (o.json) {
    nlohmann::json j;
    j["code"] = m->codice_errore;
    j["position"] = codice_con_posizione(m->codice_errore) ? m->progressiva_errore : 0;
    j["fatal"] = stato == kEsitoFatale
                     ? nlohmann::json(esito == EsitoCompilazione::kGuardia1250 ? 1250 : 1251)
                     : nlohmann::json(nullptr);
    j["files"] = scritti;
    j["diagnostics"] = nlohmann::json::array();
    for (const Diagnostica& d : diagnostiche) j["diagnostics"].push_back(in_json(d));
    if (!problema.empty()) j["problem"] = problema;
    a.out << j.dump(2) << "\n";
    return stato;
  }

  for (const Diagnostica& d : diagnostiche)
    a.err << formatta(d, d.file == o.treno && o.treno != o.linea ? testo_treno : testo_linea);
  if (!problema.empty()) a.err << "scenario-builder compile: " << problema << "\n";
  for (const std::string& s : scritti) a.out << "wrote " << s << "\n";
  return stato;
}

}  // namespace sb
