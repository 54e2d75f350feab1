#include "schedule/tablecolumns.h"

#include <algorithm>

std::vector<double> FitColumns(const std::vector<TColumnWish> &columns, double room, double least)
{
    std::vector<double> widths(columns.size());
    double wanted = 0, whole = 0;
    for (size_t c = 0; c < columns.size(); ++c) {
        widths[c] = columns[c].Wanted;
        wanted += columns[c].Wanted;
        whole += columns[c].Cuttable ? 0 : columns[c].Wanted;
    }
    const auto first = std::find_if(columns.begin(), columns.end(), [](const TColumnWish &c) { return c.Cuttable; });
    if (first == columns.end())
        return widths;
    if (wanted <= room) {
        widths[first - columns.begin()] += room - wanted;
        return widths;
    }
    // Narrowest first: each takes what it wants up to an equal share of what the others have
    // not taken, so only the columns wider than their share are cut.
    std::vector<size_t> cuttable;
    for (size_t c = 0; c < columns.size(); ++c)
        if (columns[c].Cuttable)
            cuttable.push_back(c);
    std::stable_sort(cuttable.begin(), cuttable.end(),
                     [&](size_t a, size_t b) { return columns[a].Wanted < columns[b].Wanted; });
    double left = room - whole;
    for (size_t k = 0; k < cuttable.size(); ++k) {
        const double share = left / double(cuttable.size() - k);
        widths[cuttable[k]] = std::max(std::min(columns[cuttable[k]].Wanted, share), least);
        left -= widths[cuttable[k]];
    }
    return widths;
}
