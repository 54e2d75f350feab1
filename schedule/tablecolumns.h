#pragma once

#include <vector>

// The widths of a printed table's columns: each as wide as what it holds, and a text cut only
// when the line has no room left for it. Plain numbers; the page measures the texts.

/// What a column holds: the width of its widest cell (padding included), and whether its cells
/// may be cut (names and file names) or must stand whole (numbers, times).
struct TColumnWish
{
    double Wanted = 0;
    bool Cuttable = false;
};

/// Widths for the columns across room. When all fit, each gets what it wants and the room left
/// goes to the first column that may be cut. Otherwise the whole ones keep their width and the
/// cuttable ones share the rest: a narrow one keeps all it wants, the wide ones get equal shares
/// of what is left, never less than least.
std::vector<double> FitColumns(const std::vector<TColumnWish> &columns, double room, double least);
