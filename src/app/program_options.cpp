#include "program_options.h"

#include <QString>
#include <cstdio>
#include <cstring>

#include "version.h"

namespace {

const char* const Help =
    "Użycie: velt [OPCJA]...\n"
    "Konfigurator sterownika GSM VELT: odczyt, edycja i zapis jego 29 pozycji konfiguracji,\n"
    "stan sterownika na żywo, pliki konfiguracji .gcf, zmiana hasła, restart, zerowanie\n"
    "liczników i aktualizacja firmware (.gfr). Port szeregowy i hasło wybiera się w oknie;\n"
    "łącze pracuje z szybkością 1200 bit/s, 8 bitów danych, bez parzystości, 1 bit stopu.\n"
    "\n"
    "Opcje:\n"
    "  -h, --help                 ten tekst\n"
    "      --version              wersja programu i licencja\n"
    "\n"
    "Pozostałe opcje przyjmuje Qt, np. -platform offscreen albo -style Fusion.\n"
    "Bez sterownika okno można wypróbować na symulatorze velt-sim (velt-sim --help).\n";

}  // namespace

std::optional<int> AnswerProgramOptions(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (!std::strcmp(argv[i], "--help") || !std::strcmp(argv[i], "-h")) {
      std::fputs(Help, stdout);
      return 0;
    }
    if (!std::strcmp(argv[i], "--version")) {
      std::puts(VersionText(QStringLiteral("velt")).toUtf8().constData());
      return 0;
    }
  }
  return std::nullopt;
}
