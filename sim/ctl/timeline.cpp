// SPDX-License-Identifier: MIT
#include "timeline.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <sstream>
#include <vector>

namespace sim::ctl {

namespace {

constexpr double kWidth = 1000; // of the time axis, in pixels
constexpr double kLeft = 20;
constexpr int kBarTop = 50;
constexpr int kBarHeight = 30;

struct Sleep {
    long start = 0, wakeup = 0;
    std::string woken_by = "-", held_by = "-";
};

// The sleeps of the journal, in order, with their causes where the kernel gave them.
std::vector<Sleep> sleeps_of(const std::string &journal) {
    std::map<std::pair<long, long>, Sleep> by_time;
    std::istringstream lines(journal);
    for (std::string line; std::getline(lines, line);) {
        std::istringstream words(line);
        std::string kind, woken_word, woken, held_word, held;
        Sleep sleep;
        if (!(words >> kind >> sleep.start >> sleep.wakeup) ||
            (kind != "suspend" && kind != "cause") || sleep.wakeup < sleep.start)
            continue;
        Sleep &known = by_time[{sleep.start, sleep.wakeup}];
        known.start = sleep.start;
        known.wakeup = sleep.wakeup;
        if (kind == "cause" && words >> woken_word >> woken >> held_word >> held) {
            known.woken_by = woken;
            known.held_by = held;
        }
    }
    std::vector<Sleep> sleeps;
    for (const auto &entry : by_time)
        sleeps.push_back(entry.second);
    return sleeps;
}

// Text as XML takes it: markup characters as entities.
std::string escaped(const std::string &text) {
    static const std::map<char, const char *> kEntities = {
        {'<', "&lt;"}, {'>', "&gt;"}, {'&', "&amp;"}, {'"', "&quot;"}};
    std::string out;
    for (char c : text) {
        auto entity = kEntities.find(c);
        if (entity == kEntities.end())
            out += c;
        else
            out += entity->second;
    }
    return out;
}

std::string number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", value);
    return text;
}

// One period of the bar, its tooltip saying what it was.
void add_period(std::ostringstream &svg, double x, double width, const char *colour,
                const std::string &title) {
    svg << "<rect x=\"" << number(x) << "\" y=\"" << kBarTop << "\" width=\""
        << number(std::max(width, 0.5)) << "\" height=\"" << kBarHeight << "\" fill=\"" << colour
        << "\"><title>" << escaped(title) << "</title></rect>\n";
}

// Each name of a comma list gets the period's time.
void credit(std::map<std::string, long> &awake_by, const std::string &names, long ms) {
    std::istringstream list(names);
    for (std::string name; std::getline(list, name, ',');)
        if (!name.empty() && name != "-")
            awake_by[name] += ms;
}

} // namespace

std::string timeline_svg(const std::string &journal) {
    std::vector<Sleep> sleeps = sleeps_of(journal);
    long from = sleeps.empty() ? 0 : sleeps.front().start;
    long to = sleeps.empty() ? 1 : std::max(sleeps.back().wakeup, from + 1);
    double scale = kWidth / static_cast<double>(to - from);
    auto x_of = [&](long ms) { return kLeft + static_cast<double>(ms - from) * scale; };

    std::map<std::string, long> awake_by;
    long asleep = 0;
    std::ostringstream bar;
    for (std::size_t i = 0; i < sleeps.size(); ++i) {
        const Sleep &sleep = sleeps[i];
        if (i > 0) {
            long awake = sleep.start - sleeps[i - 1].wakeup;
            credit(awake_by, sleep.held_by, awake);
            add_period(bar, x_of(sleeps[i - 1].wakeup), static_cast<double>(awake) * scale,
                       "#e8a33d",
                       "awake " + std::to_string(awake) + " ms, held by " + sleep.held_by);
        }
        asleep += sleep.wakeup - sleep.start;
        add_period(bar, x_of(sleep.start), static_cast<double>(sleep.wakeup - sleep.start) * scale,
                   "#3d6ea8",
                   "asleep " + std::to_string(sleep.wakeup - sleep.start) + " ms from " +
                       std::to_string(sleep.start) + ", woken by " + sleep.woken_by);
    }

    std::vector<std::pair<std::string, long>> table(awake_by.begin(), awake_by.end());
    std::sort(table.begin(), table.end(),
              [](const auto &a, const auto &b) { return a.second > b.second; });
    int height = kBarTop + kBarHeight + 60 + 18 * static_cast<int>(table.size());
    std::ostringstream svg;
    svg << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" << kWidth + 2 * kLeft
        << "\" height=\"" << height << "\" font-family=\"sans-serif\" font-size=\"13\">\n";
    svg << "<text x=\"" << kLeft << "\" y=\"20\">" << sleeps.size() << " sleeps from " << from
        << " to " << to << " ms of boot time, asleep "
        << number(100.0 * static_cast<double>(asleep) / static_cast<double>(to - from))
        << "% (blue asleep, orange awake: point at a period for what woke or held it)</text>\n";
    svg << bar.str();
    int y = kBarTop + kBarHeight + 30;
    svg << "<text x=\"" << kLeft << "\" y=\"" << y
        << "\" font-weight=\"bold\">awake time held by each wakeup source (ms)</text>\n";
    for (const auto &[name, ms] : table) {
        y += 18;
        svg << "<text x=\"" << kLeft << "\" y=\"" << y << "\">" << ms << "  " << escaped(name)
            << "</text>\n";
    }
    svg << "</svg>\n";
    return svg.str();
}

} // namespace sim::ctl
