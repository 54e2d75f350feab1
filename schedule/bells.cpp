#include "schedule/bells.h"

#include "model/plural.h"
#include "device/log.h"
#include "schedule/check.h"
#include "schedule/groupedit.h"

#include <algorithm>
#include <charconv>

namespace {

std::string RangeRefusal(const TBellPlan &plan)
{
    const auto outside = [](int value, int low, int high) { return value < low || value > high; };
    if (outside(plan.Lessons, 1, MaxLessons))
        return "Число уроков должно быть от 1 до " + std::to_string(MaxLessons);
    if (outside(plan.LessonLength, 1, MaxLessonLength))
        return "Длина урока должна быть от 1 до " + CountText(MaxLessonLength, "минуты", "минут", "минут");
    for (const int minutes : plan.Breaks) {
        if (outside(minutes, 0, MaxBreak))
            return "Перемена должна быть от 0 до " + CountText(MaxBreak, "минуты", "минут", "минут");
    }
    if (outside(plan.StartHour, 0, 23) || outside(plan.StartMinute, 0, 59))
        return "Начало первого урока должно быть от 00:00 до 23:59";
    if (outside(plan.WarningMinutes, 0, MaxWarning))
        return "Предупреждение должно быть от 0 до " + CountText(MaxWarning, "минуты", "минут", "минут") +
               " до начала урока";
    if (outside(plan.StartTrack, 1, MaxTrack))
        return "Трек звонка на урок должен быть от 1 до " + std::to_string(MaxTrack);
    if (outside(plan.EndTrack, 0, MaxTrack))
        return "Трек звонка с урока должен быть от 0 (без звонка) до " + std::to_string(MaxTrack);
    if (plan.WarningMinutes > 0 && outside(plan.WarningTrack, 1, MaxTrack))
        return "Трек предупреждения должен быть от 1 до " + std::to_string(MaxTrack);
    if (outside(plan.Volume, 0, MaxVolume))
        return "Громкость должна быть от 0 до " + std::to_string(MaxVolume);
    if (std::none_of(plan.Days.begin(), plan.Days.end(), [](bool day) { return day; }))
        return "Не выбран ни один день недели";
    // The project file keeps a name between semicolons on one line.
    if (plan.Prefix.find_first_of(";\r\n") != std::string::npos)
        return "Приставка к названиям не может содержать «;» и переводы строки";
    return {};
}

constexpr std::array<std::string_view, 3> KindWords = {"предупреждение", "начало", "конец"};

std::string LessonName(const TBellPlan &plan, int lesson, TBellKind kind)
{
    return plan.Prefix + "Урок " + std::to_string(lesson) + ": " + std::string(KindWords[static_cast<int>(kind)]);
}

/// The plan's bells in lesson order, without slots.
std::vector<TBell> LessonBells(const TBellPlan &plan)
{
    std::vector<TBell> bells;
    int start = plan.StartHour * 60 + plan.StartMinute;
    for (int i = 1; i <= plan.Lessons; ++i) {
        if (plan.WarningMinutes > 0)
            bells.push_back(
                {0, LessonName(plan, i, TBellKind::Warning), start - plan.WarningMinutes, plan.WarningTrack});
        bells.push_back({0, LessonName(plan, i, TBellKind::Start), start, plan.StartTrack});
        const int end = start + plan.LessonLength;
        if (plan.EndTrack != 0)
            bells.push_back({0, LessonName(plan, i, TBellKind::End), end, plan.EndTrack});
        const size_t breakIndex = std::min<size_t>(i - 1, plan.Breaks.size() - 1);
        start = end + (plan.Breaks.empty() ? 10 : plan.Breaks[breakIndex]);
    }
    return bells;
}

} // namespace

TBellOutcome PreviewBells(const TProject &project, const TBellPlan &plan)
{
    TBellOutcome outcome;
    outcome.Refusal = GroupRefusal(project, plan.Group);
    if (outcome.Refusal.empty())
        outcome.Refusal = RangeRefusal(plan);
    if (!outcome.Refusal.empty())
        return outcome;

    std::vector<TBell> bells = LessonBells(plan);
    for (const TBell &bell : bells) {
        if (bell.MinuteOfDay < 0 || bell.MinuteOfDay >= MinutesPerDay) {
            outcome.Refusal = "Звонок «" + bell.Name + "» выходит за пределы суток (" + ClockText(bell.MinuteOfDay) +
                              "): звонки должны быть от 00:00 до 23:59";
            return outcome;
        }
    }
    // Equal times keep the lesson order (warning, start, end), so slots follow the day as read.
    std::stable_sort(bells.begin(), bells.end(),
                     [](const TBell &a, const TBell &b) { return a.MinuteOfDay < b.MinuteOfDay; });

    const TGroup &group = project.Groups[plan.Group];
    std::vector<int> freeSlots;
    for (int s = 1; s <= MaxScenarios; ++s) {
        const TScenario &scenario = group.Scenarios[s];
        std::string prefix;
        int lesson = 0;
        TBellKind kind{};
        const bool earlierBell =
            plan.Replace && scenario.Used && ReadBellName(scenario.Name, prefix, lesson, kind) && prefix == plan.Prefix;
        if (earlierBell)
            outcome.Removed.push_back(s);
        if (!scenario.Used || earlierBell)
            freeSlots.push_back(s);
    }
    if (freeSlots.size() < bells.size()) {
        outcome.Refusal = "В группе " + std::to_string(plan.Group) + " свободно " +
                          CountText(static_cast<int64_t>(freeSlots.size()), "место", "места", "мест") + ", нужно " +
                          std::to_string(bells.size());
        outcome.Removed.clear();
        return outcome;
    }
    for (size_t k = 0; k < bells.size(); ++k)
        bells[k].Slot = freeSlots[k];
    outcome.Bells = std::move(bells);
    return outcome;
}

TBellOutcome AddBells(TProject &project, const TBellPlan &plan)
{
    TBellOutcome outcome = PreviewBells(project, plan);
    if (!outcome.Refusal.empty())
        return outcome;
    for (const int s : outcome.Removed)
        ResetScenario(project.Groups[plan.Group].Scenarios[s]);
    for (const TBell &bell : outcome.Bells) {
        TScenario &scenario = project.Groups[plan.Group].Scenarios[bell.Slot];
        ResetScenario(scenario);
        scenario.Name = bell.Name;
        scenario.Hour = bell.MinuteOfDay / 60;
        scenario.Minute = bell.MinuteOfDay % 60;
        scenario.Days = plan.Days;
        scenario.Volume = plan.Volume;
        scenario.Track = bell.Track;
        scenario.Used = true;
    }
    return outcome;
}

bool ReadBellName(std::string_view name, std::string &prefix, int &lesson, TBellKind &kind)
{
    constexpr std::string_view Lesson = "Урок ";
    const size_t at = name.rfind(Lesson);
    if (at == std::string_view::npos)
        return false;
    std::string_view rest = name.substr(at + Lesson.size());
    const size_t colon = rest.find(": ");
    int number = 0;
    if (colon == std::string_view::npos || colon == 0 || colon > 2 || rest.front() == '0' ||
        std::from_chars(rest.data(), rest.data() + colon, number).ptr != rest.data() + colon || number < 1 ||
        number > MaxLessons)
        return false;
    rest.remove_prefix(colon + 2);
    const auto word = std::find(KindWords.begin(), KindWords.end(), rest);
    if (word == KindWords.end())
        return false;
    prefix = name.substr(0, at);
    lesson = number;
    kind = static_cast<TBellKind>(word - KindWords.begin());
    return true;
}

std::vector<std::string> BellClashes(const TProject &project, const TBellPlan &plan, const TBellOutcome &preview)
{
    if (!preview.Refusal.empty())
        return {};
    TProject trial = project;
    AddBells(trial, plan);
    TVectorLog log;
    for (const TBell &bell : preview.Bells)
        CheckScenarioClashes(trial, plan.Group, bell.Slot, log);
    return log.Lines;
}

namespace {

/// "сценарий", "сценария" or "сценариев" after a count.
std::string ScenarioWord(size_t count)
{
    if (count % 10 == 1 && count % 100 != 11)
        return "сценарий";
    if (count % 10 >= 2 && count % 10 <= 4 && (count % 100 < 12 || count % 100 > 14))
        return "сценария";
    return "сценариев";
}

/// Ascending slots as ranges: "1–3, 5, 7–9".
std::string SlotRanges(std::vector<int> slots)
{
    std::sort(slots.begin(), slots.end());
    std::string text;
    for (size_t k = 0; k < slots.size();) {
        size_t last = k;
        while (last + 1 < slots.size() && slots[last + 1] == slots[last] + 1)
            ++last;
        text += (text.empty() ? "" : ", ") + std::to_string(slots[k]);
        if (last > k)
            text += "–" + std::to_string(slots[last]);
        k = last + 1;
    }
    return text;
}

} // namespace

std::string BellSummary(const TBellOutcome &outcome, bool replace)
{
    std::vector<int> slots;
    for (const TBell &bell : outcome.Bells)
        slots.push_back(bell.Slot);
    const size_t count = slots.size();
    std::string text = (count % 10 == 1 && count % 100 != 11 ? "Добавлен " : "Добавлено ") + std::to_string(count) +
                       " " + ScenarioWord(count);
    if (count > 0)
        text += (count == 1 ? " в слот " : " в слоты ") + SlotRanges(slots);
    if (replace)
        text += ", удалено " + std::to_string(outcome.Removed.size());
    return text;
}

namespace {

std::string_view Trimmed(std::string_view text)
{
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

/// A whole unsigned decimal number of at most six digits.
bool ParseWhole(std::string_view text, int &value)
{
    if (text.empty() || text.size() > 6)
        return false;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size() && text.front() != '-' && text.front() != '+';
}

} // namespace

bool ParseClock(std::string_view text, int &hour, int &minute)
{
    text = Trimmed(text);
    const size_t colon = text.find(':');
    int h = 0;
    int m = 0;
    if (colon == std::string_view::npos || text.size() - colon - 1 != 2 || !ParseWhole(text.substr(0, colon), h) ||
        !ParseWhole(text.substr(colon + 1), m) || colon > 2 || h > 23 || m > 59)
        return false;
    hour = h;
    minute = m;
    return true;
}

namespace {

/// Splits at commas and semicolons; blanks inside an entry separate numbers too. An empty entry
/// ("10,,5", "10,") makes emptyEntry true and the result false: read as nothing, it would move
/// every later value one place.
bool SplitNumbers(std::string_view text, std::vector<int> &numbers, bool &emptyEntry)
{
    emptyEntry = false;
    std::vector<int> parsed;
    if (Trimmed(text).empty()) {
        numbers.clear();
        return true;
    }
    size_t at = 0;
    while (at <= text.size()) {
        const size_t end = std::min(text.find_first_of(",;", at), text.size());
        const std::string_view entry = Trimmed(text.substr(at, end - at));
        if (entry.empty()) {
            emptyEntry = true;
            return false;
        }
        for (size_t from = 0; from < entry.size();) {
            const size_t to = std::min(entry.find_first_of(" \t", from), entry.size());
            int value = 0;
            if (to > from && !ParseWhole(entry.substr(from, to - from), value))
                return false;
            if (to > from)
                parsed.push_back(value);
            from = to + 1;
        }
        at = end + 1;
    }
    numbers = std::move(parsed);
    return true;
}

} // namespace

bool ParseNumberList(std::string_view text, std::vector<int> &numbers)
{
    bool emptyEntry = false;
    return SplitNumbers(text, numbers, emptyEntry);
}

std::string ReadBreaks(std::string_view text, std::vector<int> &breaks)
{
    bool emptyEntry = false;
    if (SplitNumbers(text, breaks, emptyEntry))
        return {};
    const std::string quoted = "«" + std::string(text) + "»";
    if (emptyEntry)
        return "в списке перемен " + quoted + " пустое место: каждая перемена — число минут от 0 до " +
               std::to_string(MaxBreak);
    return "перемены " + quoted + " не список минут через запятую, например 10,20,10";
}

bool ParseDayList(std::string_view text, std::array<bool, 7> &days)
{
    std::array<bool, 7> parsed{};
    size_t at = 0;
    bool any = false;
    while (at <= text.size()) {
        const size_t end = std::min(text.find(',', at), text.size());
        const std::string_view item = Trimmed(text.substr(at, end - at));
        const size_t dash = item.find('-');
        int first = 0;
        int last = 0;
        if (dash == std::string_view::npos) {
            if (!ParseWhole(item, first))
                return false;
            last = first;
        } else if (!ParseWhole(Trimmed(item.substr(0, dash)), first) ||
                   !ParseWhole(Trimmed(item.substr(dash + 1)), last)) {
            return false;
        }
        if (first < 1 || last > 7 || first > last)
            return false;
        for (int d = first; d <= last; ++d)
            parsed[d - 1] = true;
        any = true;
        at = end + 1;
    }
    if (!any)
        return false;
    days = parsed;
    return true;
}
