#include "platform/platform_win32.h"

#include <climits>
#include <cstdlib>
#include <stdexcept>

#include "platform/exit_status.h"
#include "platform/file_system.h"

namespace sb {

namespace {

constexpr wchar_t kClasse[] = L"Form1";
constexpr wchar_t kEtichetta[] = L"Attendere";

// Form1 and Label1 in twips (1/1440 inch); the font in points.
constexpr int kLarghezzaArea = 4200;
constexpr int kAltezzaArea = 2688;
constexpr int kSinistraEtichetta = 960;
constexpr int kCimaEtichetta = 960;
constexpr int kLarghezzaEtichetta = 2652;
constexpr int kAltezzaEtichetta = 792;
constexpr int kPuntiCarattere = 24;
constexpr wchar_t kCarattere[] = L"MS Sans Serif";

constexpr int kTwipPerPollice = 1440;
constexpr int kPuntiPerPollice = 72;

// A caption but no system menu: the window has nothing that reacts to the user.
constexpr DWORD kStile = WS_OVERLAPPED | WS_CAPTION;

int pixel(int twip, int dpi) {
  return MulDiv(twip, dpi, kTwipPerPollice);
}

// The system's text for the last error of the calling thread.
std::string ultimo_errore() {
  const DWORD codice = GetLastError();
  wchar_t* testo = nullptr;
  const DWORD n = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, codice, 0, reinterpret_cast<wchar_t*>(&testo), 0, nullptr);
  std::wstring messaggio = n != 0 ? std::wstring(testo, n) : std::wstring();
  if (testo != nullptr) LocalFree(testo);
  while (!messaggio.empty() && (messaggio.back() == L'\n' || messaggio.back() == L'\r' ||
                                messaggio.back() == L' ' || messaggio.back() == L'.')) {
    messaggio.pop_back();
  }
  if (messaggio.empty()) return "system error " + std::to_string(codice);
  return to_utf8(messaggio);
}

RECT su_schermo(HWND finestra, RECT r) {
  if (finestra == nullptr) return RECT{};
  MapWindowPoints(finestra, nullptr, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

}  // namespace

std::wstring from_utf8(const std::string& testo) {
  if (testo.empty()) return {};
  if (testo.size() > static_cast<std::size_t>(INT_MAX)) throw std::length_error("text too long");
  const int lunghezza = static_cast<int>(testo.size());
  const int n = MultiByteToWideChar(CP_UTF8, 0, testo.data(), lunghezza, nullptr, 0);
  if (n <= 0) return {};
  std::wstring risultato(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, testo.data(), lunghezza, risultato.data(), n);
  return risultato;
}

std::string to_utf8(const std::wstring& testo) {
  if (testo.empty()) return {};
  if (testo.size() > static_cast<std::size_t>(INT_MAX)) throw std::length_error("text too long");
  const int lunghezza = static_cast<int>(testo.size());
  const int n =
      WideCharToMultiByte(CP_UTF8, 0, testo.data(), lunghezza, nullptr, 0, nullptr, nullptr);
  if (n <= 0) return {};
  std::string risultato(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, testo.data(), lunghezza, risultato.data(), n, nullptr, nullptr);
  return risultato;
}

Win32Platform::~Win32Platform() {
  close_waiting_window();
}

std::string Win32Platform::executable_directory() {
  // The wide API, so that a directory whose name lies outside the ANSI code
  // page is found as it is; a path longer than the buffer comes back cut
  // short, so the buffer grows until the whole path fits.
  std::wstring percorso(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n =
        GetModuleFileNameW(nullptr, percorso.data(), static_cast<DWORD>(percorso.size()));
    if (n == 0) throw FileError("the program", "find the directory of", ultimo_errore());
    if (n < percorso.size()) {
      percorso.resize(n);
      break;
    }
    if (percorso.size() >= 0x10000) {
      throw FileError("the program", "find the directory of", "the path is too long");
    }
    percorso.resize(percorso.size() * 2);
  }
  const auto separatore = percorso.find_last_of(L"\\/");
  std::wstring cartella = separatore == std::wstring::npos ? L"." : percorso.substr(0, separatore);
  // A drive root is reported with its backslash, as the system shows it ("C:\").
  if (cartella.size() == 2 && cartella[1] == L':') cartella += L'\\';
  return to_utf8(cartella);
}

std::string Win32Platform::join(const std::string& directory, const std::string& name) {
  // Always a backslash, even after a drive root that already ends in one:
  // Windows reads the doubled separator as a single one.
  return directory + "\\" + name;
}

void Win32Platform::show_waiting_window() {
  if (finestra_ != nullptr) return;

  if (!classe_registrata_) {
    WNDCLASSEXW classe{};
    classe.cbSize = sizeof classe;
    classe.style = CS_HREDRAW | CS_VREDRAW;
    classe.lpfnWndProc = &Win32Platform::procedura;
    classe.hInstance = istanza_;
    classe.hCursor = LoadCursorW(nullptr, IDC_WAIT);
    classe.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
    classe.lpszClassName = kClasse;
    if (RegisterClassExW(&classe) == 0)
      throw std::runtime_error("cannot open the window: " + ultimo_errore());
    classe_registrata_ = true;
  }

  // Twips to pixels at the display's resolution.
  HDC schermo = GetDC(nullptr);
  const int dpi_x = GetDeviceCaps(schermo, LOGPIXELSX);
  const int dpi_y = GetDeviceCaps(schermo, LOGPIXELSY);
  ReleaseDC(nullptr, schermo);

  etichetta_.left = pixel(kSinistraEtichetta, dpi_x);
  etichetta_.top = pixel(kCimaEtichetta, dpi_y);
  etichetta_.right = etichetta_.left + pixel(kLarghezzaEtichetta, dpi_x);
  etichetta_.bottom = etichetta_.top + pixel(kAltezzaEtichetta, dpi_y);

  carattere_ =
      CreateFontW(-MulDiv(kPuntiCarattere, dpi_y, kPuntiPerPollice), 0, 0, 0, FW_BOLD, FALSE, FALSE,
                  FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                  DEFAULT_PITCH | FF_SWISS, kCarattere);

  RECT finestra{0, 0, pixel(kLarghezzaArea, dpi_x), pixel(kAltezzaArea, dpi_y)};
  AdjustWindowRectEx(&finestra, kStile, FALSE, 0);
  const int larghezza = finestra.right - finestra.left;
  const int altezza = finestra.bottom - finestra.top;
  const int x = (GetSystemMetrics(SM_CXSCREEN) - larghezza) / 2;
  const int y = (GetSystemMetrics(SM_CYSCREEN) - altezza) / 2;

  finestra_ = CreateWindowExW(0, kClasse, kTitle, kStile, x, y, larghezza, altezza, nullptr,
                              nullptr, istanza_, this);
  if (finestra_ == nullptr) throw std::runtime_error("cannot open the window: " + ultimo_errore());

  // Shown modeless and painted at once: the run never returns to a message
  // loop, so this is the only paint the window gets.
  ShowWindow(finestra_, SW_SHOWNORMAL);
  UpdateWindow(finestra_);
  GdiFlush();
}

void Win32Platform::close_waiting_window() {
  if (finestra_ != nullptr) {
    DestroyWindow(finestra_);
    finestra_ = nullptr;
  }
  if (carattere_ != nullptr) {
    DeleteObject(carattere_);
    carattere_ = nullptr;
  }
  if (classe_registrata_) {
    UnregisterClassW(kClasse, istanza_);
    classe_registrata_ = false;
  }
}

LRESULT CALLBACK Win32Platform::procedura(HWND finestra, UINT messaggio, WPARAM w, LPARAM l) {
  if (messaggio == WM_NCCREATE) {
    const auto* creazione = reinterpret_cast<const CREATESTRUCTW*>(l);
    SetWindowLongPtrW(finestra, GWLP_USERDATA,
                      reinterpret_cast<LONG_PTR>(creazione->lpCreateParams));
  }
  auto* piattaforma = reinterpret_cast<Win32Platform*>(GetWindowLongPtrW(finestra, GWLP_USERDATA));
  switch (messaggio) {
    case WM_PAINT:
      if (piattaforma != nullptr) {
        piattaforma->dipingi(finestra);
        return 0;
      }
      break;
    case WM_CLOSE:
      return 0;  // the window cannot be closed by the user; the run closes it
    default:
      break;
  }
  return DefWindowProcW(finestra, messaggio, w, l);
}

void Win32Platform::dipingi(HWND finestra) {
  // Label1: the text in the label's font and the system's text colour, on
  // the window's own background, clipped to the label's rectangle.
  PAINTSTRUCT pittura;
  HDC dc = BeginPaint(finestra, &pittura);
  HGDIOBJ prima = SelectObject(dc, carattere_);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
  RECT r = etichetta_;
  DrawTextW(dc, kEtichetta, -1, &r, DT_LEFT | DT_TOP | DT_WORDBREAK | DT_NOPREFIX);
  SelectObject(dc, prima);
  EndPaint(finestra, &pittura);
}

RECT Win32Platform::client_on_screen() const {
  RECT r{};
  if (finestra_ != nullptr) GetClientRect(finestra_, &r);
  return su_schermo(finestra_, r);
}

RECT Win32Platform::label_on_screen() const {
  return su_schermo(finestra_, etichetta_);
}

void Win32Platform::show_message(const std::string& text) {
  // Text only, one OK button, no icon.
  MessageBoxW(finestra_, from_utf8(text).c_str(), kTitle, MB_OK);
}

void Win32Platform::report_failure(const std::string& message) {
  MessageBoxW(finestra_, from_utf8(message).c_str(), kTitle, MB_OK | MB_ICONERROR);
  end_program(exit_status::kFileFailure);
}

void Win32Platform::end_program(int status) {
  close_waiting_window();
  std::exit(status);
}

}  // namespace sb
