// The fuzzer of the decoders of the compiled files, and of what `dump`,
// `diff`, `view` and `decompile` make of whatever they accept. The first byte
// chooses the kind of file, the rest is the file; from 0x80 on it chooses a
// whole compiled scenario for the decompiler (see decompile_input). A file the decoder accepts must
// be exactly the bytes its serialiser writes for what was decoded; a refused one must name an
// offset within the file. Either way nothing reads outside the buffer (AddressSanitizer) and
// nothing is undefined (UndefinedBehaviorSanitizer).
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "compiler/compiled_files.h"
#include "tools/diff.h"
#include "tools/dump.h"
#include "tools/round_trip.h"
#include "tools/view.h"

namespace {

[[noreturn]] void violated(const char* what) {
  std::fprintf(stderr, "invariant violated: %s\n", what);
  std::abort();
}

void check_refusal(const sb::FormatError& e, std::string_view bytes) {
  if (e.offset > bytes.size()) violated("a refusal names an offset beyond the file");
  if (e.reason.empty()) violated("a refusal gives no reason");
}

// A compiled scenario in one input: two 4-byte little-endian lengths, of
// the route file and of the item file, then the two files, then the track
// plan (when the mode byte is odd). Lengths beyond the input are cut to it.
void decompile_input(std::uint8_t mode, std::string_view rest) {
  const auto length = [&](std::size_t at) {
    std::size_t n = 0;
    for (std::size_t i = 0; i < 4 && at + i < rest.size(); ++i)
      n |= static_cast<std::size_t>(static_cast<unsigned char>(rest[at + i])) << (8 * i);
    return n;
  };
  const std::size_t route_length = length(0);
  const std::size_t items_length = length(4);
  rest.remove_prefix(std::min<std::size_t>(8, rest.size()));
  sb::CompiledBytes files;
  files.route = rest.substr(0, std::min(route_length, rest.size()));
  rest.remove_prefix(files.route.size());
  files.items = rest.substr(0, std::min(items_length, rest.size()));
  rest.remove_prefix(files.items.size());
  if (mode % 2 == 1) files.track_plan = rest;
  sb::RoundTrip t;
  sb::RefusedFile refused;
  if (!sb::round_trip(files, &t, &refused)) {
    const std::string_view file = refused.kind == sb::CompiledFileKind::kRoute ? files.route
                                  : refused.kind == sb::CompiledFileKind::kItems
                                      ? files.items
                                      : *files.track_plan;
    check_refusal(refused.error, file);
    return;
  }
  // The same files give the same sources again.
  sb::RoundTrip again;
  if (!sb::round_trip(files, &again, &refused)) violated("a decompile is not repeatable");
  if (again.sources.line.text() != t.sources.line.text() ||
      again.sources.train.text() != t.sources.train.text())
    violated("a decompile is not deterministic");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
  if (data[0] >= 0x80) {
    decompile_input(data[0], bytes);
    return 0;
  }
  sb::FormatError e;
  switch (data[0] % 3) {
    case 0: {
      std::vector<sb::cella> percorso;
      if (!sb::decode_route(bytes, &percorso, &e)) {
        check_refusal(e, bytes);
        return 0;
      }
      if (sb::serialize_route(percorso) != bytes) violated("a route reads back different");
      // Every cell worded, with an item table of empty texts for what the
      // cells name, and the route compared with itself and with none.
      const std::array<sb::oggetto, sb::kItemCount> oggetti{};
      (void)sb::readable_route_table(percorso, &oggetti, {});
      (void)sb::readable_route_json(percorso, &oggetti,
                                    {.kind = {}, .from = {}, .to = {}, .changes = true});
      sb::CompiledScenario a;
      a.percorso = percorso;
      if (!sb::compare_scenarios(a, a).empty()) violated("a route differs from itself");
      (void)sb::compare_scenarios(a, sb::CompiledScenario{});
      sb::ViewData page;
      page.percorso = percorso;
      (void)sb::view_page(page);
      return 0;
    }
    case 1: {
      std::array<sb::oggetto, sb::kItemCount> oggetti{};
      if (!sb::decode_items(bytes, &oggetti, &e)) {
        check_refusal(e, bytes);
        return 0;
      }
      if (sb::serialize_items(oggetti) != bytes) violated("an item file reads back different");
      (void)sb::items_json(oggetti);
      // Signs and station ends naming every item, so that every text is worded.
      std::vector<sb::cella> percorso(sb::kItemCount * 2);
      for (std::size_t i = 0; i < percorso.size(); ++i) {
        percorso[i].genere = i % 2 == 0 ? sb::kSign : sb::kStationEnd;
        percorso[i].dato1 = static_cast<sb::Integer>(i / 2);
      }
      (void)sb::readable_route_table(percorso, &oggetti, {});
      sb::CompiledScenario a;
      a.percorso = percorso;
      a.oggetti = oggetti;
      if (!sb::compare_scenarios(a, a).empty()) violated("an item table differs from itself");
      (void)sb::differences_text(sb::compare_scenarios(a, sb::CompiledScenario{}));
      sb::ViewData page;
      page.percorso = percorso;
      page.oggetti = oggetti;
      (void)sb::view_page(page);
      return 0;
    }
    default: {
      std::vector<sb::TrackValue> x;
      std::vector<sb::TrackValue> y;
      const bool decoded = sb::decode_track_plan(bytes, &x, &y, &e);
      sb::FormatError checked;
      if (sb::track_plan_is_well_formed(bytes, &checked) != decoded) {
        violated("the check of a track plan and its decoder disagree");
      }
      if (!decoded) {
        check_refusal(e, bytes);
        return 0;
      }
      (void)sb::track_plan_json(x, y);
      sb::CompiledScenario a;
      a.track_plan = std::string(bytes);
      sb::CompiledScenario b;
      b.track_plan = std::string(bytes.substr(0, bytes.size() / 2));
      (void)sb::compare_scenarios(a, b);
      sb::ViewData page;
      page.percorso.resize(x.size() / sb::kCellLength + 1);
      page.plan_x = std::move(x);
      page.plan_y = std::move(y);
      (void)sb::view_page(page);
      return 0;
    }
  }
}
