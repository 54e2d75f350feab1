#pragma once

#include "model/type.h"

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

// Where the week chart and the printed schedule put things: which scenarios show, on which day
// and at which time, which of them clash, and the order of the printed tables. Painting is left
// to the window; everything here is plain numbers.

constexpr int MinutesPerDay = 24 * 60;

/// The groups a project shows: used groups 1 .. the device type's zone count, ascending.
std::vector<int> ShownGroups(const TProject &project);

/// Hour and minute as a minute of the day, or -1 when they name no time of day (hour outside
/// 0..23 or minute outside 0..59: the model sets no bounds, such scenarios get no mark).
int MinuteOfDay(int32_t hour, int32_t minute);

/// "Пн Вт Ср ..." for the ticked days, Monday first; "" when none is ticked.
std::string DaysText(const std::array<bool, 7> &days);

/// The two-letter names of the days, Monday first.
extern const std::array<std::string_view, 7> DayShortNames;

/// What the layout is asked for.
struct TWeekLayoutOptions
{
    /// Groups to draw (index = group number); all shown groups when empty.
    std::vector<bool> GroupFilter;
    /// How long a track plays, in seconds; a track not listed plays for no time (a point mark).
    std::map<int32_t, int32_t> TrackSeconds;
};

/// Track lengths in whole seconds, rounded up, as the options take them.
std::map<int32_t, int32_t> WholeSeconds(const std::map<int32_t, double> &durations);

/// One scenario on one of its days.
struct TWeekMark
{
    int Day = 0;     // 0 Monday .. 6 Sunday
    int Group = 0;   // group number
    int Slot = 0;    // scenario slot number
    int Minute = 0;  // minute of the day, 0 .. 1439
    int Seconds = 0; // playing time, 0 when unknown
    int Lane = 0;    // its place among the drawn marks at the same minute of the same day
    int Lanes = 1;   // how many of those there are
    bool Clash = false;
};

/// Scenarios that fire at the same time on the same day.
struct TClashSet
{
    int Day = 0;
    int32_t Hour = 0;
    int32_t Minute = 0;
    std::vector<std::pair<int, int>> Members; // (group, slot), in group/slot order
};

/// The chart of a week.
struct TWeekLayout
{
    std::vector<int> Groups;       // the groups drawn, ascending
    std::vector<TWeekMark> Marks;  // by day, minute, group, slot
    std::array<int, 8> DayBegin{}; // the marks of day d are Marks[DayBegin[d] .. DayBegin[d + 1])
    int FirstHour = 0;             // hours in use: FirstHour .. EndHour (exclusive); the whole day without marks
    int EndHour = 24;
    std::vector<TClashSet> Clashes;            // among all shown groups, by day, hour, minute
    std::vector<std::pair<int, int>> OffClock; // drawn groups' scenarios whose time is no time of day
};

/// Lays out the week of the shown groups that the options let through. A mark clashes when
/// another scenario of a shown group fires at the same time on the same day, drawn or filtered out.
TWeekLayout BuildWeekLayout(const TProject &project, const TWeekLayoutOptions &options = {});

/// Where a minute falls between the start of firstHour (0) and the start of endHour (1).
double TimeFraction(double minute, int firstHour, int endHour);

/// The index in layout.Marks of the mark of (group, slot) on day, or -1.
int FindMark(const TWeekLayout &layout, int day, int group, int slot);

/// True when days a come before days b in print: Monday-first sets first, so Monday to Friday
/// stands before Saturday; a set without days comes last.
bool DaysBefore(const std::array<bool, 7> &a, const std::array<bool, 7> &b);

/// A shown group with its used scenario slots ordered by day set (DaysBefore), then time (hour,
/// minute as stored), then slot.
struct TGroupTable
{
    int Group = 0;
    std::vector<int> Slots;
};

/// The printed tables: one per shown group, ascending.
std::vector<TGroupTable> GroupTables(const TProject &project);
