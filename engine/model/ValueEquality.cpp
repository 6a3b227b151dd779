#include "engine/model/ValueEquality.h"

namespace tabrix::engine {

namespace {
// An empty cell reads as 0 beside a number and as "" beside a text.
bool emptyEquals(const Variant& other) {
    if (std::holds_alternative<std::monostate>(other)) return true;
    if (const auto* d = std::get_if<double>(&other)) return *d == 0;
    if (const auto* s = std::get_if<std::string>(&other)) return s->empty();
    return false;
}
} // namespace

bool valuesEqual(const Variant& a, const Variant& b) {
    if (std::holds_alternative<std::monostate>(a)) return emptyEquals(b);
    if (std::holds_alternative<std::monostate>(b)) return emptyEquals(a);
    if (a.index() != b.index()) return false;
    return a == b;
}

} // namespace tabrix::engine
