#pragma once

#include "model/type.h"

#include <array>
#include <string>
#include <string_view>
#include <vector>

// The lesson-bell generator: a school day given as "first lesson at 08:30, 45-minute lessons,
// breaks of 10, 20, 10" becomes one scenario per bell in a group.

constexpr int MaxLessons = 16;
constexpr int MaxLessonLength = 240;
constexpr int MaxBreak = 240;
constexpr int MaxWarning = 120;
constexpr int MaxTrack = 999; // the card names tracks with three digits

/// What the operator asks for.
struct TBellPlan
{
    int Group = 0;
    int StartHour = 8;
    int StartMinute = 30;
    int Lessons = 6;
    int LessonLength = 45;
    /// Minutes between the end of lesson i and the start of lesson i + 1; the last value repeats,
    /// an empty list means 10.
    std::vector<int> Breaks;
    std::array<bool, 7> Days{true, true, true, true, true, false, false};
    int StartTrack = 1;
    int EndTrack = 1;       // 0: no end bell
    int WarningMinutes = 0; // 0: no warning bell
    int WarningTrack = 1;
    int Volume = 20;
    /// Put before "Урок i: …" in every name ("2 смена: "), so a second shift's bells keep apart.
    std::string Prefix;
    /// First remove the group's scenarios named as this plan names its bells (same prefix), so the
    /// generator can run again over its own earlier bells.
    bool Replace = false;
};

/// One bell as it will stand in the group.
struct TBell
{
    int Slot = 0;
    std::string Name;
    int MinuteOfDay = 0;
    int Track = 0;
};

/// The bells of a plan in time order (earliest first, each in the lowest free slot left), or why
/// the plan is refused; Bells is empty then.
struct TBellOutcome
{
    std::vector<TBell> Bells;
    std::vector<int> Removed; // slots of earlier bells that Replace clears, ascending
    std::string Refusal;
};

/// The bells a plan would add to the project, which is not touched.
TBellOutcome PreviewBells(const TProject &project, const TBellPlan &plan);

/// Adds the plan's bells to its group as new scenarios; on a refusal nothing changes.
TBellOutcome AddBells(TProject &project, const TBellPlan &plan);

/// The three bells of a lesson.
enum class TBellKind { Warning, Start, End };

/// Reads a name the generator gives: prefix, lesson 1..MaxLessons and kind. False for any other name.
bool ReadBellName(std::string_view name, std::string &prefix, int &lesson, TBellKind &kind);

/// The plan of a set of bells already in the group, read back from their names and times, so the
/// generator can run again over them (Replace is set): the set of the bell in slot when that is one,
/// else the set of the group's first bell. Lessons, times, tracks, days, volume and prefix come
/// from the bells; a lesson length that no end bell shows stays as plan had it. False, with plan
/// untouched, when the group holds no bell the generator names (schedule/bellrecall.cpp).
bool RecallBellPlan(const TProject &project, int group, int slot, TBellPlan &plan);

/// The clash check's lines for the previewed bells as they would stand in the project.
std::vector<std::string> BellClashes(const TProject &project, const TBellPlan &plan, const TBellOutcome &preview);

/// What was done, in one line: "Добавлено 14 сценариев в слоты 1–14, удалено 14" (the removed
/// count only when replacing).
std::string BellSummary(const TBellOutcome &outcome, bool replace);

/// The break list as typed: "" when read, else why not (an empty entry, a word, a negative number).
std::string ReadBreaks(std::string_view text, std::vector<int> &breaks);

/// "HH:MM" with hours 0..23 and minutes 0..59, blanks around allowed; false otherwise.
bool ParseClock(std::string_view text, int &hour, int &minute);

/// Whole numbers separated by commas, semicolons or blanks ("10, 20,10"); false on anything else.
/// An empty text is an empty list.
bool ParseNumberList(std::string_view text, std::vector<int> &numbers);

/// Days as "1-5", "1,3,5" or "1-3,6" (1 = Monday ... 7 = Sunday); false on anything else.
bool ParseDayList(std::string_view text, std::array<bool, 7> &days);
