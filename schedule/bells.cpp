#include "schedule/bells.h"

#include "model/plural.h"
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
    return {};
}

std::string LessonName(int lesson, const char *what)
{
    return "Урок " + std::to_string(lesson) + ": " + what;
}

/// The plan's bells in lesson order, without slots.
std::vector<TBell> LessonBells(const TBellPlan &plan)
{
    std::vector<TBell> bells;
    int start = plan.StartHour * 60 + plan.StartMinute;
    for (int i = 1; i <= plan.Lessons; ++i) {
        if (plan.WarningMinutes > 0)
            bells.push_back({0, LessonName(i, "предупреждение"), start - plan.WarningMinutes, plan.WarningTrack});
        bells.push_back({0, LessonName(i, "начало"), start, plan.StartTrack});
        const int end = start + plan.LessonLength;
        if (plan.EndTrack != 0)
            bells.push_back({0, LessonName(i, "конец"), end, plan.EndTrack});
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
        if (!group.Scenarios[s].Used)
            freeSlots.push_back(s);
    }
    if (freeSlots.size() < bells.size()) {
        outcome.Refusal = "В группе " + std::to_string(plan.Group) + " свободно " +
                          CountText(static_cast<int64_t>(freeSlots.size()), "место", "места", "мест") + ", нужно " +
                          std::to_string(bells.size());
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

bool ParseNumberList(std::string_view text, std::vector<int> &numbers)
{
    std::vector<int> parsed;
    size_t at = 0;
    while (at < text.size()) {
        const size_t end = std::min(text.find_first_of(",; \t", at), text.size());
        if (end > at) {
            int value = 0;
            if (!ParseWhole(text.substr(at, end - at), value))
                return false;
            parsed.push_back(value);
        }
        at = end + 1;
    }
    numbers = std::move(parsed);
    return true;
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
