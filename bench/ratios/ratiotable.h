#pragma once

// Measuring two pieces of work side by side and keeping the table of ratios
// that the benchmark prints at its end.

#include <benchmark/benchmark.h>

#include <chrono>
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

struct PairedSamples {
    std::vector<double> numerator;
    std::vector<double> denominator;
};

// One sample of each per iteration of state, numerator and denominator in
// turn and their order swapped every iteration, so that a drift of the
// machine weighs on both alike. Each is called once beforehand to warm
// caches and returns the seconds (or any measure) of its sample; settle runs
// untimed after every pair.
template<typename Numerator, typename Denominator, typename Settle>
PairedSamples sideBySide(benchmark::State &state, Numerator &&numerator, Denominator &&denominator,
                         Settle &&settle)
{
    PairedSamples samples;
    numerator();
    denominator();
    settle();
    bool numeratorFirst = true;
    for (auto _ : state) {
        double n, d;
        if (numeratorFirst) {
            n = numerator();
            d = denominator();
        } else {
            d = denominator();
            n = numerator();
        }
        numeratorFirst = !numeratorFirst;
        samples.numerator.push_back(n);
        samples.denominator.push_back(d);
        state.SetIterationTime(n + d);
        settle();
    }
    return samples;
}

template<typename Numerator, typename Denominator>
PairedSamples sideBySide(benchmark::State &state, Numerator &&numerator, Denominator &&denominator)
{
    return sideBySide(state, numerator, denominator, [] {});
}

struct RatioRow {
    std::string name;
    std::string numerator;   // what was measured, formatted
    std::string denominator; // its floor, formatted
    double ratio;
    std::string goal;
    bool met;
};

// A row whose samples are seconds for `batch` operations each.
void addTimeRow(const std::string &name, const PairedSamples &samples, int batch, double goal);
void addRow(RatioRow row);

std::string formatSeconds(double seconds);
std::string formatKb(double kb);
std::string formatRatio(double ratio);

// The table so far, in Markdown.
void printTable();
