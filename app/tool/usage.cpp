#include "app/tool/usage.h"
#include "model/about.h"
#include "model/codepage.h"

#include "app/tool/stdstreams.h"

namespace {

struct TCommandHelp
{
    const char *Name;
    const char *Arguments;
    const char *Text; // one paragraph, wrapped when printed
};

// In the order --help lists them; each has its entry in both manual pages and the completion table.
constexpr TCommandHelp Commands[] = {
    {"check", "ФАЙЛ.vlpj",
     "перечислить сценарии, срабатывающие в одно время в один день; код выхода 0 без совпадений, 1 с совпадениями, 2 "
     "при ошибке"},
    {"show", "ФАЙЛ.vlpj", "вывести проект: группы, зоны, сценарии, плейлист"},
    {"convert", "ВХОД ВЫХОД",
     "преобразовать по расширению: .vlpj в .vlpj, .csv или .xlsx; .csv в .vlpj или .xlsx; .xlsx, .xls или .ods в .vlpj "
     "или .csv; то, что ВЫХОД не вмещает, называется в stderr, код выхода 1"},
    {"copy-tracks", "[--no-verify] [--force] [--make-room] [--level LUFS] ФАЙЛ.vlpj ПАПКА",
     "скопировать MP3-файлы плейлиста в ПАПКУ как 001.mp3, 002.mp3 …; каждая копия читается с карты и сравнивается "
     "до того, как заменит старую запись (--no-verify: без этого); старая запись не удаляется, пока новая не проверена "
     "рядом с ней: что не помещается, называется (код выхода 1); --make-room: на полной карте удалять старую запись "
     "перед копированием, сохранив её в журнал (~/.local/state/sigcfg/card-journal), откуда следующий запуск вернёт её "
     "на карту, если копирование прервётся; другой запуск на той же карте — отказ с кодом выхода 2; итог читается с "
     "карты; файлы не MP3, номера треков вне 1–999 или "
     "указанные дважды отменяют копирование (код выхода 2), если не задан --force; файлы треков на карте, которые не "
     "совпадают с треками проекта, перечисляются; --level LUFS (от -40 до -5, например -16): каждый трек пишется на "
     "карту заново сжатым с громкостью LUFS и истинным пиком не выше -1 dBTP (исходные файлы не меняются; трек в "
     "пределах 0,5 LU от цели и беззвучный копируются как есть); код выхода 1, если файл не скопирован или у "
     "используемого трека нет файла"},
    {"card-check", "[--level LUFS] ФАЙЛ.vlpj ПАПКА",
     "проверить карту: сравнить файлы треков в ПАПКЕ с файлами плейлиста байт в байт и назвать каждое отличие (нет "
     "файла, отличается от исходного, лишний файл, недописанная копия); --level LUFS: карта записана copy-tracks "
     "--level LUFS, и файл, отличный от исходного, верен, если это MP3 той же длины с громкостью в пределах 0,5 LU от "
     "LUFS и пиком не выше -1 dBTP; код выхода 0, если карта в точности такая, какой её сделает copy-tracks, 1 — есть "
     "отличия, 2 — ошибка"},
    {"tracks", "[--tsv] ФАЙЛ.vlpj",
     "проверить каждый файл трека (MP3 ли, повреждения, точная длина, громкость LUFS и истинный пик dBTP) и "
     "перечислить треки, которые ещё звучат, когда в "
     "тех же зонах начинается следующий звонок; --tsv: строка на строку плейлиста (трек, состояние, секунды, частота, "
     "каналы, кбит/с, путь, LUFS, dBTP); код выхода 0 — всё чисто, 1 — есть проблемы, 2 — ошибка"},
    {"sound", "bell ВЫХОД.mp3 --kind school|chime|gong [--seconds N]",
     "создать звук звонка без файлов-образцов: электрический школьный звонок, двухтоновый «динь-дон» или трёхтоновый "
     "гонг объявления, громкостью −16 LUFS; по умолчанию 5, 3 и 4 с"},
    {"sound", "speech ТЕКСТ ВЫХОД.mp3 [--chime] [--voice ru]",
     "озвучить ТЕКСТ (не длиннее 1000 знаков) голосом eSpeak NG (по умолчанию русским, ru; нужен пакет "
     "espeak-ng-data), с --chime после трёхтонового гонга и короткой паузы; MP3 44,1 кГц моно громкостью −16 LUFS"},
    {"drives", "[--root ПАПКА]",
     "перечислить диски, предлагаемые для карты: точка монтирования, метка, размер, устройство (через табуляцию); код "
     "выхода 1, если их нет. --root: читать ПАПКА/proc/self/mounts, ПАПКА/proc/swaps, ПАПКА/sys и ПАПКА/dev"},
    {"bells",
     "ФАЙЛ.vlpj --group Г --start ЧЧ:ММ --lessons N --lesson МИН [--breaks П1,П2,…] [--days ДНИ] "
     "[--start-track Т] [--end-track Т] [--warn МИН --warn-track Т] [--volume V] [--prefix ТЕКСТ] [--replace] "
     "[--dry-run]",
     "добавить звонки уроков в группу Г: «Урок i: начало», «Урок i: конец» (трек конца 0: без него) и, с --warn, «Урок "
     "i: предупреждение» за МИН минут; перемены повторяют последнее значение (по умолчанию 10); ДНИ — «1-5» или "
     "«1,3,5», 1 — понедельник (по умолчанию 1-5); трек начала 1, трек конца равен треку начала, громкость 20. "
     "--prefix ставит ТЕКСТ перед каждым названием («2 смена: Урок 1: "
     "начало»); --replace сначала удаляет сценарии группы, названные так же, как эти звонки (с той же приставкой); "
     "--dry-run выводит время, название, слот, трек и итог проверки и ничего не записывает. Пределы: 1–16 уроков, урок "
     "1–240 мин, перемены 0–240 мин, предупреждение 1–120 мин, треки 1–999 (трек конца 0–999), громкость 0–100, "
     "звонки в пределах 00:00–23:59, не больше 32 сценариев в группе. "
     "Записывает ФАЙЛ и выводит проверку; код выхода 0 без совпадений, 1 с совпадениями, 2 при отказе (причина в "
     "stderr, ФАЙЛ не изменён): в том числе когда в ФАЙЛЕ есть то, что чтение пропускает, или его сейчас изменяет "
     "другая команда"},
    {"shift", "ФАЙЛ.vlpj --group Г --minutes N",
     "сдвинуть все сценарии группы Г на N минут (отрицательное N — раньше); записывает ФАЙЛ и выводит проверку; коды "
     "выхода как у bells"},
    {"print", "ФАЙЛ.vlpj ВЫХОД.pdf",
     "записать печатное расписание в PDF A4: настенное расписание уроков каждой группы со звонками, затем таблицы, "
     "недельная диаграмма, совпадения"},
};

constexpr size_t TextColumn = 32;

/// Columns a UTF-8 text takes on a terminal: one per character.
size_t Columns(std::string_view text)
{
    return Utf8Characters(text);
}

/// "  NAME", padded to the text column, then the text wrapped at the width of a terminal, its
/// further lines indented to that column.
void AddEntry(std::string &help, const std::string &head, std::string_view text)
{
    constexpr size_t Width = 79;
    help += head;
    size_t column = Columns(head.substr(head.rfind('\n') + 1));
    if (column + 2 > TextColumn) {
        help += '\n';
        column = 0;
    }
    help += std::string(TextColumn - column, ' ');
    column = TextColumn;
    bool first = true;
    while (!text.empty()) {
        const size_t space = text.find(' ');
        const std::string_view word = text.substr(0, space);
        text = space == std::string_view::npos ? std::string_view() : text.substr(space + 1);
        if (!first && column + 1 + Columns(word) > Width) {
            help += '\n' + std::string(TextColumn, ' ');
            column = TextColumn;
        } else if (!first) {
            help += ' ';
            ++column;
        }
        help.append(word);
        column += Columns(word);
        first = false;
    }
    help += '\n';
}

} // namespace

std::string Synopsis(std::string_view command)
{
    // "sound" has a line per sound; "sound speech" picks its own.
    std::string synopsis;
    for (const TCommandHelp &entry : Commands) {
        const std::string line = std::string(entry.Name) + " " + entry.Arguments;
        if (command != entry.Name && !line.starts_with(std::string(command) + " "))
            continue;
        synopsis += (synopsis.empty() ? "" : "\n  или:  sigcfg-tool ") + line;
    }
    return synopsis.empty() ? std::string(command) : synopsis;
}

std::string HelpText()
{
    std::string help = "Использование: sigcfg-tool КОМАНДА АРГУМЕНТЫ…\n"
                       "  или:  sigcfg-tool ПАРАМЕТР\n"
                       "Проверяет, показывает и преобразует проекты таймера сигнала без окна.\n"
                       "\n"
                       "Команды:\n";
    for (const TCommandHelp &entry : Commands) {
        // A long synopsis goes on lines of its own, broken before its options.
        std::string head = "  " + std::string(entry.Name) + " " + entry.Arguments;
        if (Columns(head) > 79) {
            std::string wrapped;
            size_t line = 0;
            const auto isOption = [&](size_t k) {
                return head.compare(k, 3, " [-") == 0 || head.compare(k, 3, " --") == 0;
            };
            for (size_t k = 0; k < head.size(); ++k) {
                if (!isOption(k))
                    continue;
                // Broken past 60 columns, or where the line up to the next option would not fit.
                size_t next = k + 1;
                while (next < head.size() && !isOption(next))
                    ++next;
                if (Columns(std::string_view(head).substr(line, k - line)) > 60 ||
                    Columns(std::string_view(head).substr(line, next - line)) > 79) {
                    wrapped += head.substr(line, k - line) + "\n       ";
                    line = k + 1;
                }
            }
            head = wrapped + head.substr(line);
        }
        AddEntry(help, head, entry.Text);
    }
    help += "\nПараметры:\n";
    AddEntry(help, "  -h, --help", "показать эту справку и выйти");
    AddEntry(help, "  --version", "показать версию и выйти");
    help += "\nКод выхода: 0 — успешно, 1 — результат команды «не чисто» (см. выше),\n"
            "2 — ошибка или неверный вызов.\n";
    if (const std::string footer = HelpFooter(); !footer.empty())
        help += "\n" + footer;
    return help;
}

int UsageError(const std::string &why, std::string_view command)
{
    ToolErr() << "sigcfg-tool: " << why << "\nИспользование: sigcfg-tool " << Synopsis(command)
              << "\nСм. sigcfg-tool --help\n";
    return 2;
}

int ToolUsageError(const std::string &why)
{
    ToolErr() << "sigcfg-tool: " << why << "; см. sigcfg-tool --help\n";
    return 2;
}
