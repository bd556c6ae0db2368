// The words by which the reader recognises the rows of the two sources. A
// keyword field is recognised when it contains the word (see the reader for
// which tests are case-sensitive).
#pragma once

#include <string_view>

namespace sb::keywords {

inline constexpr std::string_view kGenerale = "[generale]";
inline constexpr std::string_view kCommento = "-";

// Line source, [generale] section.
inline constexpr std::string_view kLunghezza = "lunghezza";
inline constexpr std::string_view kPercorso = "percorso";
inline constexpr std::string_view kProgressiva = "progressiva";
inline constexpr std::string_view kUno = "uno";
inline constexpr std::string_view kDue = "due";
inline constexpr std::string_view kTre = "tre";
inline constexpr std::string_view kSfondo = "sfondo";
inline constexpr std::string_view kSegnali = "segnali";
inline constexpr std::string_view kRipetizione = "ripetizione";

// Line source, element rows.
inline constexpr std::string_view kPendenza = "pendenza";
inline constexpr std::string_view kCurva = "curva";
inline constexpr std::string_view kMontagna = "montagna";
inline constexpr std::string_view kIndicatoriV = "indicatori_v";
inline constexpr std::string_view kIndicat = "indicat";
inline constexpr std::string_view kCartello = "cartello";

// Train source.
inline constexpr std::string_view kFrenata = "frenata";
inline constexpr std::string_view kMassa = "massa";
inline constexpr std::string_view kVetture = "vetture";
inline constexpr std::string_view kVelocit = "velocit";
inline constexpr std::string_view kAderenza = "aderenza";
inline constexpr std::string_view kOrologio = "orologio";
inline constexpr std::string_view kSabbia = "sabbia";
inline constexpr std::string_view kSegnale = "segnale";
inline constexpr std::string_view kRallentamento = "rallentamento";
inline constexpr std::string_view kAbbattimento = "abbattimento";
inline constexpr std::string_view kStazione = "stazione";

}  // namespace sb::keywords
