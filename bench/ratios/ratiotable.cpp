#include "ratiotable.h"

#include <algorithm>
#include <cstdio>

namespace {

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

void addTimeRow(const std::string &name, const PairedSamples &samples, int batch, double goal)
{
    const double n = median(samples.numerator);
    const double d = median(samples.denominator);
    const double ratio = n / d;
    addRow({name, formatSeconds(n / batch), formatSeconds(d / batch), ratio, "≤ " + formatRatio(goal),
            ratio <= goal});
}

void addRow(RatioRow row)
{
    rows().push_back(std::move(row));
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
    std::printf("| ratio | ours | floor | ratio | goal | met |\n");
    std::printf("|---|---:|---:|---:|---|---|\n");
    for (const RatioRow &row : rows()) {
        std::printf("| %s | %s | %s | %s | %s | %s |\n", row.name.c_str(), row.numerator.c_str(),
                    row.denominator.c_str(), formatRatio(row.ratio).c_str(), row.goal.c_str(),
                    row.met ? "yes" : "**no**");
    }
    std::fflush(stdout);
}
