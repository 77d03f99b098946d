#include "command_table.h"

#include "command_line.h"
#include "config_record.h"

namespace {

const QList<CommandRule>& Commands() {
  static const QList<CommandRule> commands{
      {"ports", 0, 0, {}, RunPorts},
      {"status", 0, 0, {"watch", "csv", "for", "ports"}, RunStatus},
      {"read", 0, 0, {"output", "force", "ports"}, RunRead},
      {"write", 1, 1, {"verify", "dry-run", "ports"}, RunWrite},
      {"get", 1, -1, {}, RunGet},
      {"set", 1, -1, {"verify", "dry-run"}, RunSet},
      {"show", 1, 1, {}, RunShow},
      {"diff", 2, 2, {}, RunDiff},
      {"history", 0, 2, {}, RunHistory},
      {"passwd", 1, 1, {"ports"}, RunPasswd},
      {"restart", 0, 0, {}, RunRestart},
      {"reset-counters", 0, 0, {}, RunResetCounters},
      {"firmware", 1, 1, {"ports"}, RunFirmware},
      {"provision", 1, 1, {"sites", "site", "verify", "record", "ports"}, RunProvision},
  };
  return commands;
}

[[noreturn]] void Refuse(const QString& message) {
  RefuseUsage(message + QStringLiteral(" (velt-cli --help)"));
}

const CommandRule* FindCommand(const QString& name) {
  for (const CommandRule& c : Commands())
    if (name == QLatin1String(c.name)) return &c;
  return nullptr;
}

}  // namespace

const CommandRule& CheckCommand(const CliOptions& options) {
  if (options.command.isEmpty()) Refuse(QStringLiteral("brak polecenia"));
  const CommandRule* rule = FindCommand(options.command);
  if (!rule) Refuse(QStringLiteral("nieznane polecenie '%1'").arg(options.command));
  for (const QString& option : options.given)
    if (!IsCommonOption(option) && !rule->options.contains(option))
      Refuse(QStringLiteral("polecenie %1 nie ma opcji --%2").arg(options.command, option));
  // Several ports: only the commands that take --ports take them.
  if (options.ports.size() > 1 && !rule->options.contains(QStringLiteral("ports"))) {
    QStringList many;
    for (const CommandRule& c : Commands())
      if (c.options.contains(QStringLiteral("ports"))) many.append(QLatin1String(c.name));
    Refuse(QStringLiteral("polecenie %1 działa z jednym portem; kilka portów naraz przyjmują: %2")
               .arg(options.command, many.join(QStringLiteral(", "))));
  }
  // A dry run shows one controller's changes; on several it would be a write.
  if (options.dryRun && (options.ports.size() > 1 || options.allPorts))
    Refuse(QStringLiteral("--dry-run pokazuje zmiany jednego sterownika: podaj jeden port"));
  if (options.siteValues.size() > 1 && options.ports.size() < 2 && !options.allPorts)
    RefuseUsage(QStringLiteral("opcja --site podana dwa razy"));
  const qsizetype n = options.arguments.size();
  if (n < rule->minArguments) Refuse(QStringLiteral("polecenie %1: za mało argumentów").arg(options.command));
  if (rule->maxArguments >= 0 && n > rule->maxArguments)
    Refuse(QStringLiteral("polecenie %1: za dużo argumentów ('%2')").arg(options.command, options.arguments.value(rule->maxArguments)));
  return *rule;
}

QString HelpText() {
  QString keys;
  for (const ConfigItem& item : ConfigItems)
    keys += QStringLiteral("  %1 %2\n").arg(QLatin1String(item.key), -14).arg(QString::fromUtf8(item.description));
  return QStringLiteral(
             "Użycie: velt-cli [OPCJE] POLECENIE [ARGUMENTY]\n"
             "Konfiguracja sterownika VELT z wiersza poleceń: ten sam protokół, te same pliki\n"
             "i te same reguły pól co okno velt.\n"
             "\n"
             "Polecenia:\n"
             "  ports                      porty szeregowe z opisami\n"
             "  status [--watch]           stan sterownika; z --watch co sekundę do Ctrl-C\n"
             "    --csv PLIK               z --watch: nagłówek i wiersz CSV na każdą odpowiedź\n"
             "    --for CZAS               z --watch: koniec po tym czasie (90s, 15m, 24h, 1h30m)\n"
             "  read [-o PLIK.gcf|FOLDER] [--force]  odczyt 29 pozycji; do pliku (-o - : plik na\n"
             "                             wyjście; plik tylko do odczytu zastępuje --force), do\n"
             "                             istniejącego folderu (plik PORT_TELEFON1.gcf) albo na ekran\n"
             "  write PLIK.gcf [--verify]  zapis pliku do sterownika; z --verify odczyt i porównanie\n"
             "  get KLUCZ...               odczyt wybranych pozycji\n"
             "  set KLUCZ=WARTOŚĆ... [--verify]  zapis wybranych pozycji\n"
             "    --dry-run                (write, set) odczyt sterownika i to, co zapis by zmienił;\n"
             "                             nic nie jest zapisywane (kod 0: bez zmian, 5: są zmiany)\n"
             "  show PLIK.gcf              zawartość pliku konfiguracji\n"
             "  diff A B                   różnice dwóch plików; A lub B może być 'device' (sterownik)\n"
             "                             albo wpisem historii: @N lub @latest\n"
             "  history                    historia konfiguracji: każdy pełny odczyt i zapis okna\n"
             "                             i velt-cli, w $XDG_DATA_HOME/velt/history; 1 najnowszy\n"
             "  history show N             wpis historii jako KLUCZ=WARTOŚĆ\n"
             "  passwd NOWE                nowe hasło dostępu (cztery cyfry)\n"
             "  restart                    restart sterownika (bez wylogowania)\n"
             "  reset-counters             zerowanie dziennych liczników SMS i połączeń\n"
             "  firmware OBRAZ.gfr         aktualizacja firmware (nie da się jej przerwać)\n"
             "  provision SZABLON --sites OBIEKTY.csv --site NAZWA [--verify] [--record KATALOG]\n"
             "                             szablon (.gcf albo JSON kluczy) z wierszem obiektu z CSV\n"
             "                             zapisany do sterownika; z --record protokół uruchomienia\n"
             "\n"
             "Opcje wspólne:\n"
             "  -p, --port PORT            port (domyślnie jedyny znaleziony)\n"
             "  --password HASŁO           hasło dostępu; bezpieczniej w zmiennej VELT_PASSWORD\n"
             "                             (domyślnie 7315)\n"
             "  --json                     wynik jako JSON, jeden dokument w wierszu\n"
             "  -q, --quiet                bez komunikatów i postępu (błędy zostają)\n"
             "  -h, --help                 ten tekst\n"
             "  --version                  wersja programu i licencja\n"
             "\n"
             "Wiele sterowników naraz (provision, read, write, firmware, status, passwd):\n"
             "  -p PORT -p PORT ...        każdy port to osobny sterownik; wszystkie równocześnie\n"
             "  --ports all                każdy port z listy velt-cli ports (także wirtualne)\n"
             "  provision                  obiekt portu z kolumny 'port' tabeli albo z opcji\n"
             "                             --site PORT=OBIEKT (po jednej na port); port bez obiektu\n"
             "                             albo obiekt dwóch portów: nic nie zostaje wysłane\n"
             "  read -o FOLDER             plik każdego sterownika w istniejącym folderze\n"
             "  Port podany dwa razy (także przez dowiązanie) jest odrzucany. Na terminalu wiersz\n"
             "  postępu każdego portu, poza nim wiersz na każdy zakończony krok; na końcu tabela\n"
             "  wyników, z --json obiekt na port. Ctrl-C kończy pracę każdego portu po bieżącym\n"
             "  kroku i wylogowuje (aktualizacji firmware nie przerywa). Kod wyjścia: 0, gdy\n"
             "  udały się wszystkie porty, inaczej najwyższy z kodów portów.\n"
             "\n"
             "Kody wyjścia:\n"
             "  0  wykonano\n"
             "  1  błąd: plik, port (brak, zajęty, odłączony), za krótka odpowiedź sterownika,\n"
             "     wynik, którego nie da się zapisać, przerwanie Ctrl-C, SIGTERM, SIGHUP\n"
             "  2  błędne wywołanie: opcja, polecenie, klucz albo wartość w wierszu poleceń\n"
             "  3  brak odpowiedzi ze sterownika\n"
             "  4  błędne hasło\n"
             "  5  weryfikacja (lub diff) znalazła różnice; z --dry-run: zapis coś zmieni\n"
             "  6  sterownik zapisany, ale protokołu uruchomienia nie zapisano\n"
             "  7  passwd: sterownik przyjął nowe hasło, ale potem coś zawiodło (wynik nie\n"
             "     zapisany, wylogowanie); obowiązuje nowe hasło\n"
             "\n"
             "Wartości (jak w polach okna):\n"
             "  teksty                     sam tekst; pin to cztery cyfry, telefony '+' i cyfry\n"
             "  limit_sms, limit_voice     0 do 99\n"
             "  out_times                  trzy czasy 1 do 99 dla Out1, Out2, Out3: 5,10,99\n"
             "  input_matrix               zaznaczone pola IN<r>T<c> (SMS) i IN<r>S<c> (głos): IN1T1 IN5S4\n"
             "  output_flags               z Out1NC Out2NC Out3NC Out1Mono Out2Mono Out3Mono\n"
             "  options                    z Potw Autotest IN1blok Out1sygn\n"
             "  (pola oddzielone spacją lub przecinkiem; 'none' gdy żadne)\n"
             "\n"
             "Klucze:\n") +
         keys;
}

QString CommandHelp(const QString& command) {
  const QStringList lines = HelpText().split(u'\n');
  const qsizetype commands = lines.indexOf(QStringLiteral("Polecenia:"));
  const qsizetype common = lines.indexOf(QStringLiteral("Opcje wspólne:"));
  const qsizetype codes = lines.indexOf(QStringLiteral("Kody wyjścia:"));
  // The command's entry: its line and the deeper lines under it.
  QStringList entry;
  for (qsizetype i = commands + 1; i < common; ++i) {
    const QString& line = lines[i];
    const QString head = QStringLiteral("  ") + command;
    if (entry.isEmpty() ? line == head || line.startsWith(head + u' ') : line.startsWith(QStringLiteral("   ")))
      entry.append(line);
    else if (!entry.isEmpty())
      break;
  }
  if (entry.isEmpty()) return HelpText();
  return (QStringList{QStringLiteral("Użycie: velt-cli [OPCJE] %1").arg(command), QString()} + entry + QStringList{QString()} +
          lines.mid(common, codes - common) + QStringList{QStringLiteral("Całość: velt-cli --help"), QString()})
      .join(u'\n');
}

QString CompletionWords(const CliOptions& options) {
  QStringList words;
  if (options.complete == u"commands") {
    for (const CommandRule& c : Commands()) words.append(QLatin1String(c.name));
  } else if (options.complete == u"keys") {
    for (const ConfigItem& item : ConfigItems) words.append(QLatin1String(item.key));
  } else if (options.complete == u"options") {
    // Before the command, any command's options may come.
    const CommandRule* rule = FindCommand(options.command);
    words = OptionSpellings([rule](const QString& name) {
      return rule ? IsCommonOption(name) || rule->options.contains(name) : name != u"complete";
    });
  } else {
    Refuse(QStringLiteral("--complete przyjmuje commands, keys albo options"));
  }
  return words.join(u'\n');
}
