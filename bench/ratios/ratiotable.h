#pragma once

// Measuring the program's work and its floor side by side, pair after pair,
// and keeping the table of ratios that the benchmark prints at its end.

#include <chrono>
#include <initializer_list>
#include <limits>
#include <string>
#include <vector>

// Seconds that a piece of work took.
template<typename Work>
double stopwatch(Work &&work)
{
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// A sample of work done that many times over: the seconds it took.
template<typename Work>
auto repeated(int times, Work work)
{
    return [times, work] {
        return stopwatch([&] {
            for (int i = 0; i < times; ++i)
                work();
        });
    };
}

double median(std::vector<double> values);

// The samples of one row, a pair at a time: ours and the floor's, taken
// one right after the other, and their ratio. A ratio per pair, rather than
// one of the two sides' medians, cancels what the machine did meanwhile.
class PairSeries
{
public:
    void add(double ours, double floor);

    size_t pairs() const { return m_ratios.size(); }
    double ours() const { return median(m_ours); }
    double floor() const { return median(m_floor); }
    double ratio() const { return median(m_ratios); }
    double lowerQuartile() const { return quantile(0.25); }
    double upperQuartile() const { return quantile(0.75); }
    // Half the width of the 95% confidence interval of ratio(), from the
    // order statistics of the ratios; infinite while the pairs are too few.
    double ratioHalfWidth() const;

private:
    double quantile(double q) const;

    std::vector<double> m_ours, m_floor, m_ratios;
};

// How long a row samples. Two runs agree within ±0.05 (95%) when each
// knows its median ratio to ±0.05 / √2, so pairs are drawn until every
// series of the row is that precise, but no fewer than minPairs; past
// maxSeconds a row stops at the precision it reached.
inline constexpr double RatioPrecision = 0.035;

struct Sampling {
    int minPairs = 21;
    int maxPairs = 5000;
    double maxSeconds = 45;
};

// Calls pair(oursFirst) until sampling says enough: each call takes one
// sample of both sides, in the order given, which alternates, so that a
// drift of the machine weighs on both alike, and adds them to its series.
template<typename Pair>
void drawPairs(const Sampling &sampling, std::initializer_list<const PairSeries *> watched, Pair &&pair)
{
    const auto start = std::chrono::steady_clock::now();
    for (int n = 1;; ++n) {
        pair(n % 2 == 1);
        if (n >= sampling.maxPairs)
            return;
        if (n < sampling.minPairs)
            continue;
        bool precise = true;
        for (const PairSeries *series : watched)
            precise = precise && series->ratioHalfWidth() <= RatioPrecision;
        if (precise || std::chrono::steady_clock::now() - start >= std::chrono::duration<double>(sampling.maxSeconds))
            return;
    }
}

// The common row: ours() and floor() return the seconds of one sample
// each. Both run once first, to warm caches; settle runs untimed after
// every sample, so that neither side pays for what the other left behind.
template<typename Ours, typename Floor, typename Settle>
PairSeries sideBySide(const Sampling &sampling, Ours &&ours, Floor &&floor, Settle &&settle)
{
    PairSeries series;
    ours();
    settle();
    floor();
    settle();
    drawPairs(sampling, {&series}, [&](bool oursFirst) {
        double o, f;
        if (oursFirst) {
            o = ours();
            settle();
            f = floor();
        } else {
            f = floor();
            settle();
            o = ours();
        }
        settle();
        series.add(o, f);
    });
    return series;
}

template<typename Ours, typename Floor>
PairSeries sideBySide(const Sampling &sampling, Ours &&ours, Floor &&floor)
{
    return sideBySide(sampling, ours, floor, [] {});
}

// A goal for a ratio: at most high, or between low and high; and for a
// row whose samples are one command each, that ours answers within
// mostSeconds. A row may have none.
struct Goal {
    double low;
    double high;
    double mostSeconds = std::numeric_limits<double>::infinity();
    static Goal atMost(double high) { return {0, high}; }
    static Goal between(double low, double high) { return {low, high}; }
    static Goal answersWithin(double seconds) { return {0, std::numeric_limits<double>::infinity(), seconds}; }
    // A row reported beside the others, such as a limit no program reaches.
    static Goal none() { return {0, std::numeric_limits<double>::infinity()}; }
    bool isSet() const
    {
        return low > 0 || high < std::numeric_limits<double>::infinity()
            || mostSeconds < std::numeric_limits<double>::infinity();
    }
    Goal andAnswersWithin(double seconds) const { return {low, high, seconds}; }
    bool met(double ratio, double oursSeconds) const
    {
        return ratio >= low && ratio <= high && oursSeconds <= mostSeconds;
    }
    std::string text() const;
};

// A row of the table; ours and floor are the medians of each side,
// formatted by the caller.
void addRow(const std::string &name, const PairSeries &series, const std::string &ours,
            const std::string &floor, Goal goal);
// A row whose samples are seconds for `batch` operations each.
void addTimeRow(const std::string &name, const PairSeries &series, int batch, Goal goal);
// A row of one measure with no floor: the worst of samples, against a
// limit in seconds.
void addLimitRow(const std::string &name, const std::vector<double> &seconds, double mostSeconds);
// The same in whole milliseconds: the worst of samples, shown to a
// hundredth, meets the goal when it comes to no more than mostMilliseconds
// to the millisecond.
void addMillisecondLimitRow(const std::string &name, const std::vector<double> &seconds, int mostMilliseconds);

std::string formatSeconds(double seconds);
std::string formatKb(double kb);
std::string formatRatio(double ratio);

// The table so far, in Markdown.
void printTable();
