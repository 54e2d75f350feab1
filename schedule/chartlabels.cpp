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
    std::vector<double> tops;
    tops.reserve(wishes.size());
    for (const TLabelWish &wish : wishes) {
        const TSpan &bar = bars[wish.Bar];
        const double below = FreeBelow(taken, bar.Bottom, wish.Height, bar.Bottom + reach, bounds.Bottom);
        const double above = FreeAbove(taken, bar.Top, wish.Height, bar.Top - reach, bounds.Top);
        const double gapBelow = below - bar.Bottom;
        const double gapAbove = bar.Top - above;
        double top = -std::numeric_limits<double>::infinity();
        if (std::isfinite(below) && (!std::isfinite(above) || gapBelow <= gapAbove))
            top = below;
        else if (std::isfinite(above))
            top = above - wish.Height;
        if (std::isfinite(top))
            Take(taken, {top, top + wish.Height});
        tops.push_back(top);
    }
    return tops;
}
