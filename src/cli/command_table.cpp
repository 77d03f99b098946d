#include "command_table.h"

#include <algorithm>

#include "command_line.h"
#include "config_record.h"

namespace {

const QList<CommandRule>& Commands() {
  static const QList<CommandRule> commands{
      {"ports", 0, 3, {}, RunPorts},
      {"status", 0, 0, {"watch", "csv", "force", "for", "ports"}, RunStatus},
      {"read", 0, 0, {"output", "force", "ports", "site"}, RunRead},
      {"write", 1, 1, {"verify", "dry-run", "ports", "site"}, RunWrite},
      {"get", 1, -1, {}, RunGet},
      {"set", 1, -1, {"verify", "dry-run", "site"}, RunSet},
      {"show", 1, 1, {}, RunShow},
      {"diff", 2, 2, {"site"}, RunDiff},
      {"history", 0, 2, {"site"}, RunHistory},
      {"passwd", 1, 1, {"ports"}, RunPasswd},
      {"restart", 0, 0, {}, RunRestart},
      {"reset-counters", 0, 0, {}, RunResetCounters},
      {"firmware", 1, 1, {"ports", "site"}, RunFirmware},
      {"provision", 1, 1, {"sites", "site", "verify", "record", "ports"}, RunProvision},
      {"report", 1, 1, {"output", "force", "site", "show-secrets"}, RunReport},
      {"sites", 0, 2, {"update"}, RunSites},
      {"site", 2, 3, {"name", "address", "contact", "notes", "changes", "show-secrets"}, RunSite},
      {"register", 0, 2, {"full"}, RunRegister},
      {"company", 0, 1, {"name", "address", "phone", "email", "tax-id", "logo"}, RunCompany},
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

// A line of the help: what is typed and what it does ('\n' breaks the text under its column).
struct HelpLine {
  const char* typed;
  const char* text;
};

// The forms of the commands, each under the command of its first word.
const QList<HelpLine>& Forms() {
  static const QList<HelpLine> forms{
      {"ports", "porty szeregowe z opisami i znane porty sieciowe"},
      {"ports add NAZWA URL", "zapamiętuje port sieciowy rfc2217://KOMPUTER:PORT albo\ntcp://KOMPUTER:PORT pod nazwą, której można użyć w -p"},
      {"ports remove NAZWA", "zapomina port sieciowy"},
      {"status", "stan sterownika"},
      {"read", "odczyt 29 pozycji na ekran albo do pliku"},
      {"write PLIK.gcf", "zapis pliku do sterownika"},
      {"get KLUCZ...", "odczyt wybranych pozycji"},
      {"set KLUCZ=WARTOŚĆ...", "zapis wybranych pozycji"},
      {"show PLIK.gcf", "zawartość pliku konfiguracji"},
      {"diff A B", "różnice dwóch plików; A lub B może być 'device' (sterownik)\nalbo wpisem historii: @N lub @latest"},
      {"history", "historia konfiguracji: każdy pełny odczyt i zapis okna\ni velt-cli, w rejestrze instalacji; 1 najnowszy"},
      {"history show N", "wpis historii jako KLUCZ=WARTOŚĆ"},
      {"passwd NOWE", "nowe hasło dostępu (cztery cyfry)"},
      {"restart", "restart sterownika (bez wylogowania)"},
      {"reset-counters", "zerowanie dziennych liczników SMS i połączeń"},
      {"firmware OBRAZ.gfr", "aktualizacja firmware (nie da się jej przerwać)"},
      {"provision SZABLON", "szablon (.gcf albo JSON kluczy) z wierszem obiektu z CSV\nzapisany do sterownika; obiekt trafia do rejestru instalacji"},
      {"report ŹRÓDŁO -o PLIK.pdf", "raport przekazania (PDF); ŹRÓDŁO: plik .gcf, wpis historii\n@N albo 'device' (odczyt sterownika)"},
      {"sites [TEKST]", "instalacje z rejestru, w których pola lub telefony zawierają\nTEKST; ostatnio odwiedzane najpierw"},
      {"sites import OBIEKTY.csv", "obiekty tabeli provision (do 4 MiB) dodane do rejestru\n(kolumny name, address, contact, notes, gdy są); pola\nróżne od rejestru są wypisane"},
      {"site show ID", "instalacja: dane, konfiguracje i najnowsza konfiguracja"},
      {"site add ID --name NAZWA", "nowa instalacja w rejestrze"},
      {"site edit ID", "zmiana danych instalacji (podane opcje; --notes '' czyści pole)"},
      {"site assign ID @N", "wpis historii @N należy odtąd do instalacji ID (jak \"Przypisz\")"},
      {"register", "gdzie jest rejestr instalacji, ile instalacji i wpisów,\nile wpisów czeka na wysłanie do rejestru wspólnego"},
      {"register export FOLDER", "każdy wpis jako plik .gcf nazwany jak w historii"},
      {"register use ADRES", "rejestr wspólny postgresql://UŻYTKOWNIK@HOST[:PORT]/BAZA\n[?sslmode=TRYB] (hasło w ~/.pgpass) albo local;\nzmienna VELT_REGISTER ma pierwszeństwo"},
      {"register sync", "wysłanie do rejestru wspólnego tego, czego w nim brak, i pobranie\ntego, co wysłały inne komputery (też po każdym odczycie i zapisie)"},
      {"company", "dane firmy z nagłówka raportu"},
      {"company set", "zmiana danych firmy (podane pola, reszta bez zmian)"},
  };
  return forms;
}

struct OptionHelp {
  const char* command;  // nullptr: every command that takes the option
  const char* option;
  HelpLine line;
};

const QList<OptionHelp>& OptionHelps() {
  static const QList<OptionHelp> helps{
      {nullptr, "verify", {"--verify", "odczyt po zapisie i porównanie (kod 5: różnice)"}},
      {nullptr, "dry-run", {"--dry-run", "odczyt sterownika i to, co zapis by zmienił; nic nie jest\n"
                                         "zapisywane (kod 0: bez zmian, 5: są zmiany)"}},
      {nullptr, "ports", {"--ports all|LISTA", "każdy port z listy velt-cli ports albo porty po przecinku\n(niżej: wiele sterowników)"}},
      {"status", "watch", {"--watch", "co sekundę do Ctrl-C"}},
      {"status", "csv", {"--csv PLIK", "z --watch: nagłówek i wiersz CSV na każdą odpowiedź; plik\n"
                                       "powstaje przy pierwszej odpowiedzi"}},
      {"status", "force", {"--force", "z --csv: istniejący plik zastępuje (bez --force plik\n"
                                      "zostaje bez zmian, kod 1)"}},
      {"status", "for", {"--for CZAS", "z --watch: koniec po tym czasie (90s, 15m, 24h, 1h30m)"}},
      {"read", "output", {"-o, --output PLIK.gcf", "do pliku (-o - : plik na wyjście; urządzenie albo potok\n"
                                                   "zapisywane wprost) albo do istniejącego folderu (plik\n"
                                                   "PORT_TELEFON1.gcf)"}},
      {"read", "force", {"--force", "plik tylko do odczytu zastępuje"}},
      {"provision", "sites", {"--sites OBIEKTY.csv", "tabela obiektów, wiersz na obiekt"}},
      {"provision", "site", {"--site NAZWA", "obiekt z tabeli (kilka portów: PORT=OBIEKT)"}},
      {"history", "site", {"--site ID", "tylko wpisy tej instalacji; @N i show N liczą się w nich"}},
      {"diff", "site", {"--site ID", "@N to N-ty wpis velt-cli history --site ID"}},
      {nullptr, "site", {"--site ID", "wpisy tego połączenia należą do instalacji ID (jeden port)"}},
      {"sites", "update", {"--update", "sites import: pola różne od rejestru zmienia na te z tabeli"}},
      {"site", "name", {"--name NAZWA", "nazwa instalacji"}},
      {"site", "address", {"--address ADRES", "adres"}},
      {"site", "contact", {"--contact KONTAKT", "kontakt"}},
      {"site", "notes", {"--notes UWAGI", "uwagi"}},
      {"site", "changes", {"--changes", "site show: każda zmiana danych (kto, kiedy, przed, po)"}},
      {"site", "show-secrets", {"--show-secrets", "site show: hasło dostępu i PIN zamiast ****"}},
      {"register", "full", {"--full", "register sync: porównanie wszystkich wpisów z rejestrem wspólnym"}},
      {"provision", "record", {"--record KATALOG", "protokół uruchomienia w tym folderze"}},
      {"report", "output", {"-o, --output PLIK.pdf", "plik raportu (-o - : na wyjście)"}},
      {"report", "force", {"--force", "istniejący plik zastępuje (dowiązanie samo, nie jego cel)"}},
      {"report", "site", {"--site ID", "instalacja z rejestru: identyfikator, nazwa, adres, kontakt;\n@N to N-ty wpis velt-cli history --site ID"}},
      {"report", "show-secrets", {"--show-secrets", "PIN karty SIM i hasło dostępu jawnie (bez tego: ****)"}},
      {"company", "name", {"--name NAZWA", "nazwa firmy"}},
      {"company", "address", {"--address ADRES", "adres firmy"}},
      {"company", "phone", {"--phone TELEFON", "telefon (pierwsza strona raportu)"}},
      {"company", "email", {"--email E-MAIL", "e-mail (pierwsza strona raportu)"}},
      {"company", "tax-id", {"--tax-id NIP", "NIP (pierwsza strona raportu)"}},
      {"company", "logo", {"--logo PLIK.png", "logo w nagłówku każdej strony (PNG albo JPEG)"}},
  };
  return helps;
}

// The line at its indent, its text from the help's column on.
QStringList Entry(int indent, const QString& typed, const QString& text) {
  constexpr int Column = 29;
  QStringList lines{QString(indent, u' ') + typed};
  if (text.isEmpty()) return lines;
  const QStringList parts = text.split(u'\n');
  // A form too wide for the column has its text under it.
  if (lines.front().size() >= Column) lines.append(QString());
  lines.last() = lines.last().leftJustified(Column) + parts.front();
  for (const QString& part : parts.mid(1)) lines.append(QString(Column, u' ') + part);
  return lines;
}

// The help of a command's option: its own line, else the line every command shares.
const OptionHelp* HelpOf(const CommandRule& rule, const QString& option) {
  const OptionHelp* shared = nullptr;
  for (const OptionHelp& h : OptionHelps()) {
    if (option != QLatin1String(h.option)) continue;
    if (h.command && qstrcmp(h.command, rule.name) == 0) return &h;
    if (!h.command && !shared) shared = &h;
  }
  return shared;
}

QStringList OptionLines(const CommandRule& rule) {
  QStringList lines;
  for (const QString& option : rule.options) {
    if (const OptionHelp* help = HelpOf(rule, option)) {
      lines += Entry(4, QString::fromUtf8(help->line.typed), QString::fromUtf8(help->line.text));
    } else {
      const QString spelling = OptionSpellings([&](const QString& name) { return name == option; }).value(0);
      lines += Entry(4, spelling.endsWith(u'=') ? spelling.chopped(1) + QStringLiteral(" WARTOŚĆ") : spelling, QString());
    }
  }
  return lines;
}

// A command's forms and the options it takes, from the table: an option without a line of its
// own is still named. The options stand under the command's bare form when it has one (history,
// not history show N), else under its last form.
QStringList CommandLines(const CommandRule& rule) {
  QStringList lines;
  bool optionsShown = false;
  for (const HelpLine& form : Forms()) {
    const QString typed = QString::fromUtf8(form.typed);
    if (typed.section(u' ', 0, 0) != QLatin1String(rule.name)) continue;
    lines += Entry(2, typed, QString::fromUtf8(form.text));
    if (typed == QLatin1String(rule.name)) {
      lines += OptionLines(rule);
      optionsShown = true;
    }
  }
  if (!optionsShown) lines += OptionLines(rule);
  return lines;
}

QStringList PortsTakers() {
  QStringList many;
  for (const CommandRule& c : Commands())
    if (c.options.contains(QStringLiteral("ports"))) many.append(QLatin1String(c.name));
  return many;
}

QString CommonOptions() {
  return QStringLiteral(
      "Opcje wspólne:\n"
      "  -p, --port PORT            port (domyślnie jedyny znaleziony): urządzenie,\n"
      "                             rfc2217://KOMPUTER:PORT, tcp://KOMPUTER:PORT albo nazwa\n"
      "                             portu sieciowego z velt-cli ports add\n"
      "  --password HASŁO           hasło dostępu; bezpieczniej w zmiennej VELT_PASSWORD\n"
      "                             (domyślnie 7315)\n"
      "  --json                     wynik jako JSON, jeden dokument w wierszu\n"
      "  -q, --quiet                bez komunikatów i postępu (błędy zostają)\n"
      "  -h, --help                 ten tekst\n"
      "  --version                  wersja programu i licencja\n");
}

QString ManyPorts() {
  return QStringLiteral(
             "Wiele sterowników naraz (%1):\n"
             "  -p PORT -p PORT ...        każdy port to osobny sterownik; wszystkie równocześnie\n"
             "  --ports all                każdy port z listy velt-cli ports (także wirtualne\n"
             "                             i sieciowe)\n"
             "  --ports A,B,...            wymienione porty, lokalne i sieciowe, na przykład\n"
             "                             --ports /dev/ttyUSB0,tcp://a:4001,rfc2217://b:4002\n"
             "  provision                  obiekt portu z kolumny 'port' tabeli albo z opcji\n"
             "                             --site PORT=OBIEKT (po jednej na port); port bez obiektu\n"
             "                             albo obiekt dwóch portów: nic nie zostaje wysłane\n"
             "  read -o FOLDER             plik każdego sterownika w istniejącym folderze\n"
             "  Port podany dwa razy (także przez dowiązanie) jest odrzucany. Na terminalu wiersz\n"
             "  postępu każdego portu, poza nim wiersz na każdy zakończony krok; na końcu tabela\n"
             "  wyników, z --json obiekt na port. Ctrl-C kończy pracę każdego portu po bieżącym\n"
             "  kroku i wylogowuje (aktualizacji firmware nie przerywa). Kod wyjścia: 0, gdy\n"
             "  udały się wszystkie porty, inaczej najwyższy z kodów portów.\n")
      .arg(PortsTakers().join(QStringLiteral(", ")));
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
  if (options.ports.size() > 1 && !rule->options.contains(QStringLiteral("ports")))
    Refuse(QStringLiteral("polecenie %1 działa z jednym portem; kilka portów naraz przyjmują: %2")
               .arg(options.command, PortsTakers().join(QStringLiteral(", "))));
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
  QStringList commands;
  for (const CommandRule& c : Commands()) commands += CommandLines(c);
  QString keys;
  for (const ConfigItem& item : ConfigItems)
    keys += QStringLiteral("  %1 %2\n").arg(QLatin1String(item.key), -14).arg(QString::fromUtf8(item.description));
  return QStringLiteral(
             "Użycie: velt-cli [OPCJE] POLECENIE [ARGUMENTY]\n"
             "Konfiguracja sterownika VELT z wiersza poleceń: ten sam protokół, te same pliki\n"
             "i te same reguły pól co okno velt.\n"
             "\n"
             "Polecenia:\n") +
         commands.join(u'\n') + u'\n' + u'\n' + CommonOptions() + u'\n' + ManyPorts() +
         QStringLiteral(
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
             "  7  sterownik zmieniony (write, set, provision, passwd; jeden port lub wiele), ale\n"
             "     potem coś zawiodło (weryfikacja, wynik nie zapisany, wylogowanie); sterownik\n"
             "     ma to, co wysłano (po passwd obowiązuje nowe hasło)\n"
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
  const CommandRule* rule = FindCommand(command);
  if (!rule) return HelpText();
  QStringList lines{QStringLiteral("Użycie: velt-cli [OPCJE] %1").arg(command), QString()};
  lines += CommandLines(*rule);
  lines += {QString(), CommonOptions()};
  if (rule->options.contains(QStringLiteral("ports"))) lines.append(ManyPorts());
  lines.append(QStringLiteral("Całość: velt-cli --help\n"));
  return lines.join(u'\n');
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
