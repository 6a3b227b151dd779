#pragma once

#include "engine/xlsx/write/PackagePlan.h"

#include <ctime>
#include <string>

namespace tabrix::engine::xlsx {

/// docProps/app.xml: the program that wrote the package and the titles of its sheets, as file browsers list them.
std::string appPropertiesPart(const PackagePlan& plan);

/// docProps/core.xml: created and modified at now (UTC).
std::string corePropertiesPart(std::time_t now);

} // namespace tabrix::engine::xlsx
