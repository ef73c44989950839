#include "ratiotable.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

struct RatioRow {
    std::string name;
    std::string ours;
    std::string floor;
    double ratio;
    double lowerQuartile;
    double upperQuartile;
    double halfWidth;
    size_t pairs;
    Goal goal;
    double oursValue; // the median of ours' samples, in their own unit
    std::string goalText = {}; // where the goal's own text() would say it otherwise
};

std::vector<RatioRow> &rows()
{
    static std::vector<RatioRow> table;
    return table;
}

std::string format(const char *pattern, double value)
{
    char text[64];
    std::snprintf(text, sizeof text, pattern, value);
    return text;
}

// The largest j for which the j-th smallest and the j-th largest of n
// samples enclose the median with at least 95% confidence: the chance that
// fewer than j of n fair coin tosses come up heads is at most 2.5%. 0 when
// n is too small for any.
size_t confidenceRank(size_t n)
{
    if (n > 1000) // past where 2^-n is a double, the normal approximation is close
        return size_t(double(n) / 2 - 0.98 * std::sqrt(double(n)));
    double tail = 0, term = std::pow(0.5, double(n)); // P(heads = 0)
    size_t j = 0;
    for (size_t k = 0; k < n; ++k) {
        tail += term;
        if (tail > 0.025)
            break;
        j = k + 1;
        term *= double(n - k) / double(k + 1);
    }
    return j;
}

} // namespace

double median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    const size_t middle = values.size() / 2;
    std::nth_element(values.begin(), values.begin() + long(middle), values.end());
    const double upper = values[middle];
    if (values.size() % 2 != 0)
        return upper;
    return (upper + *std::max_element(values.begin(), values.begin() + long(middle))) / 2;
}

void PairSeries::add(double ours, double floor)
{
    m_ours.push_back(ours);
    m_floor.push_back(floor);
    m_ratios.push_back(ours / floor);
}

double PairSeries::quantile(double q) const
{
    if (m_ratios.empty())
        return 0;
    std::vector<double> sorted = m_ratios;
    std::sort(sorted.begin(), sorted.end());
    const double at = q * double(sorted.size() - 1);
    const size_t below = size_t(at);
    const double above = below + 1 < sorted.size() ? sorted[below + 1] : sorted[below];
    return sorted[below] + (at - double(below)) * (above - sorted[below]);
}

double PairSeries::ratioHalfWidth() const
{
    const size_t j = confidenceRank(m_ratios.size());
    if (j == 0)
        return std::numeric_limits<double>::infinity();
    std::vector<double> sorted = m_ratios;
    std::sort(sorted.begin(), sorted.end());
    return (sorted[sorted.size() - j] - sorted[j - 1]) / 2;
}

std::string Goal::text() const
{
    std::string ratio = low > 0 ? formatRatio(low) + " to " + formatRatio(high)
                        : high < std::numeric_limits<double>::infinity() ? "≤ " + formatRatio(high)
                                                                            : "";
    if (mostSeconds == std::numeric_limits<double>::infinity())
        return ratio;
    return (ratio.empty() ? "" : ratio + "; ") + "ours ≤ " + formatSeconds(mostSeconds);
}

void addRow(const std::string &name, const PairSeries &series, const std::string &ours,
            const std::string &floor, Goal goal)
{
    rows().push_back({name, ours, floor, series.ratio(), series.lowerQuartile(), series.upperQuartile(),
                      series.ratioHalfWidth(), series.pairs(), goal, series.ours()});
    std::fprintf(stderr, "    %s: %s, %zu pairs, ±%.3f\n", name.c_str(), formatRatio(series.ratio()).c_str(),
                 series.pairs(), series.ratioHalfWidth());
}

void addTimeRow(const std::string &name, const PairSeries &series, int batch, Goal goal)
{
    addRow(name, series, formatSeconds(series.ours() / batch), formatSeconds(series.floor() / batch), goal);
}

void addLimitRow(const std::string &name, const std::vector<double> &seconds, double mostSeconds)
{
    const double worst = seconds.empty() ? 0 : *std::max_element(seconds.begin(), seconds.end());
    const double nan = std::numeric_limits<double>::quiet_NaN();
    rows().push_back({name, formatSeconds(worst), "", nan, nan, nan, nan, seconds.size(),
                      Goal::answersWithin(mostSeconds), worst});
    std::fprintf(stderr, "    %s: %s, %zu samples\n", name.c_str(), formatSeconds(worst).c_str(), seconds.size());
}

void addMillisecondLimitRow(const std::string &name, const std::vector<double> &seconds, int mostMilliseconds)
{
    const double worst = seconds.empty() ? 0 : *std::max_element(seconds.begin(), seconds.end());
    const double nan = std::numeric_limits<double>::quiet_NaN();
    rows().push_back({name, format("%.2f ms", worst * 1e3), "", nan, nan, nan, nan, seconds.size(),
                      Goal::answersWithin((mostMilliseconds + 0.5) * 1e-3), worst,
                      "ours " + std::to_string(mostMilliseconds) + " ms, to the millisecond"});
    std::fprintf(stderr, "    %s: %.3f ms, %zu samples\n", name.c_str(), worst * 1e3, seconds.size());
}

std::string formatSeconds(double seconds)
{
    if (seconds < 1e-3)
        return format("%.1f µs", seconds * 1e6);
    if (seconds < 1)
        return format("%.2f ms", seconds * 1e3);
    return format("%.2f s", seconds);
}

std::string formatKb(double kb)
{
    return format("%.1f MiB", kb / 1024);
}

std::string formatRatio(double ratio)
{
    return format("%.2f", ratio);
}

void printTable()
{
    std::printf("| row | ours | floor | ratio | IQR | ± (95%%) | pairs | goal | met |\n");
    std::printf("|---|---:|---:|---:|---|---:|---:|---|---|\n");
    for (const RatioRow &row : rows()) {
        const bool ratio = !std::isnan(row.ratio); // a limit row has none
        const bool met = ratio ? row.goal.met(row.ratio, row.oursValue) : row.oursValue <= row.goal.mostSeconds;
        const std::string metText = !row.goal.isSet() ? "—" : met ? "yes" : "**no**";
        std::printf("| %s | %s | %s | %s | %s | %s | %zu | %s | %s |\n", row.name.c_str(), row.ours.c_str(),
                    ratio ? row.floor.c_str() : "—", ratio ? formatRatio(row.ratio).c_str() : "—",
                    ratio ? (formatRatio(row.lowerQuartile) + "–" + formatRatio(row.upperQuartile)).c_str() : "—",
                    ratio ? format("%.3f", row.halfWidth).c_str() : "—", row.pairs,
                    !row.goalText.empty() ? row.goalText.c_str()
                    : row.goal.isSet()    ? row.goal.text().c_str()
                                          : "none (reported)",
                    metText.c_str());
    }
    std::fflush(stdout);
}
