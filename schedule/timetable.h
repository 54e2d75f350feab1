#pragma once

#include "model/type.h"

#include <array>
#include <string>
#include <vector>

// The wall timetable of the printed schedule: the lessons the bell generator made, read back from
// the scenario names, as "Урок | Начало | Конец" per group, name prefix and day set, and how those
// tables fall on pages. Painting is left to the renderer.

/// One lesson: the minutes of the day of its bells, -1 where it has none.
struct TTimetableRow
{
    int Lesson = 0;
    int Start = -1;
    int End = -1;
    int Warning = -1;
};

/// The lessons of one prefix ("2 смена: ") on one day set, lesson 1 first.
struct TTimetable
{
    int Group = 0;
    std::string Prefix;
    std::array<bool, 7> Days{};
    std::vector<TTimetableRow> Rows;
};

/// The timetables of the shown groups' generated bells, by group, day set, then prefix. Only
/// scenarios with a day and a time of day take part.
std::vector<TTimetable> BuildTimetables(const TProject &project);

/// A run of one timetable's rows on a page.
struct TTimetablePart
{
    size_t Table = 0; // index into the timetables
    size_t FirstRow = 0;
    size_t RowCount = 0;
};

/// One printed timetable page: one group's parts.
struct TTimetablePage
{
    int Group = 0;
    std::vector<TTimetablePart> Parts;
};

/// Puts the timetables on pages of linesPerPage lines: each group starts a page; a table takes a
/// heading line, a header line and a line per row, with a blank line before every table but a
/// page's first; a table that does not fit goes on, header repeated, on the next page, and a
/// heading never stands without a row under it.
std::vector<TTimetablePage> LayTimetablePages(const std::vector<TTimetable> &tables, int linesPerPage);
