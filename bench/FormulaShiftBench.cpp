// Times reference shifting, which every range copy of a formula cell goes through: a million shifts of a formula
// with relative, absolute, mixed and other-sheet references. Prints the time per million; the suite only checks
// the results (tests/engine/FormulaShiftTest.cpp).
//
//     FormulaShiftBench
#include "engine/formula/FormulaShift.h"

#include <chrono>
#include <cstdio>
#include <string>

using namespace tabrix::engine;
using tabrix::engine::formula::shiftFormula;

int main() {
    const std::string formula = "IF($B$2>0,SUM(A2:C2)*Sheet2!D2,'My Sheet'!E$2)";
    size_t total = 0;
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < 1000000; ++i) total += shiftFormula(formula, i % 7 + 1, 0).size();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("1,000,000 formula shifts: %.3f s (%zu characters written)\n", seconds, total);
    return 0;
}
