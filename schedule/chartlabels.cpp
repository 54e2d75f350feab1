#include "schedule/chartlabels.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>

namespace {

constexpr double Slack = 1e-6; // touching is not meeting

/// Taken stretches of the column, start -> end, none overlapping.
using TTaken = std::map<double, double>;

void Take(TTaken &taken, TSpan span)
{
    // Merge with every stretch it meets, so the map stays disjoint.
    auto it = taken.upper_bound(span.Top);
    if (it != taken.begin() && std::prev(it)->second >= span.Top)
        --it;
    while (it != taken.end() && it->first <= span.Bottom) {
        span.Top = std::min(span.Top, it->first);
        span.Bottom = std::max(span.Bottom, it->second);
        it = taken.erase(it);
    }
    taken.emplace(span.Top, span.Bottom);
}

/// The first free top at or below from that leaves height before the next taken stretch, or
/// infinity when none starts within limit.
double FreeBelow(const TTaken &taken, double from, double height, double limit, double floor)
{
    double y = from;
    while (y <= limit + Slack) {
        auto next = taken.upper_bound(y);
        if (next != taken.begin() && std::prev(next)->second > y + Slack) {
            y = std::prev(next)->second; // inside a taken stretch: go to its end
            continue;
        }
        const double end = next == taken.end() ? floor : std::min(next->first, floor);
        if (end - y >= height - Slack)
            return y;
        if (next == taken.end() || next->first >= floor)
            break;
        y = next->second;
    }
    return std::numeric_limits<double>::infinity();
}

/// The lowest free bottom at or above from with height free above it, or -infinity.
double FreeAbove(const TTaken &taken, double from, double height, double limit, double ceiling)
{
    double z = from;
    while (z >= limit - Slack) {
        auto next = taken.lower_bound(z); // first stretch starting at or below z is before it
        if (next != taken.begin()) {
            const auto before = std::prev(next);
            if (before->second > z + Slack) {
                z = before->first; // inside: go to its start
                continue;
            }
        }
        const auto before = next == taken.begin() ? taken.end() : std::prev(next);
        const double start = before == taken.end() ? ceiling : std::max(before->second, ceiling);
        if (z - start >= height - Slack)
            return z;
        if (before == taken.end() || before->second <= ceiling)
            break;
        z = before->first;
    }
    return -std::numeric_limits<double>::infinity();
}

} // namespace

std::vector<double> PlaceColumnLabels(const std::vector<TSpan> &bars, const std::vector<TLabelWish> &wishes,
                                      double reach, TSpan bounds)
{
    TTaken taken;
    for (const TSpan &bar : bars)
        Take(taken, bar);
    // Labels right beside their bars first, then the rest within reach: a label a little way off
    // does not take the place of one that belongs there.
    std::vector<double> tops(wishes.size(), -std::numeric_limits<double>::infinity());
    for (const double pass : {reach / 4, reach}) {
        for (size_t w = 0; w < wishes.size(); ++w) {
            if (std::isfinite(tops[w]))
                continue;
            const TSpan &bar = bars[wishes[w].Bar];
            const double height = wishes[w].Height;
            const double below = FreeBelow(taken, bar.Bottom, height, bar.Bottom + pass, bounds.Bottom);
            const double above = FreeAbove(taken, bar.Top, height, bar.Top - pass, bounds.Top);
            if (std::isfinite(below) && (!std::isfinite(above) || below - bar.Bottom <= bar.Top - above))
                tops[w] = below;
            else if (std::isfinite(above))
                tops[w] = above - height;
            if (std::isfinite(tops[w]))
                Take(taken, {tops[w], tops[w] + height});
        }
    }
    return tops;
}
