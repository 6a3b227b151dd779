#pragma once

#include <string>

namespace tabrix::framework {

/// Letters of a column number from 1: 1..702 give "A".."ZZ" by the fixed table the pages and operations share;
/// wider columns continue as the engine names them ("AAA", ...). 0 or less gives an empty text.
std::string columnLetter(long column);

} // namespace tabrix::framework
