// Pairs of benchmarks whose ratio is the figure that matters: after the run
// the shared main prints "ratio NAME / BASELINE = x" for every registered pair.
#pragma once

#include <string>

void RegisterRatio(const std::string& name, const std::string& baseline, double limit);
