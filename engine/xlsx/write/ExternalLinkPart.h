#pragma once

#include "engine/model/ExternalBook.h"

#include <string>

namespace tabrix::engine::xlsx {

/// An external-link part (xl/externalLinks/externalLinkN.xml): the other workbook's sheet names, the names of it
/// that formulas use and the values recorded of its cells. The workbook itself is the target of the part's
/// relationship rId1.
std::string externalLinkPart(const ExternalBook& link);

/// The relationships part of an external-link part: rId1 naming the file, outside the package.
std::string externalLinkRelationships(const ExternalBook& link);

/// A link's file as a relationship target: a URI ("file:///data/f.xlsx") for an absolute path, the path for a
/// relative one, with the characters a URI cannot hold escaped.
std::string linkTargetUri(const std::string& target);

} // namespace tabrix::engine::xlsx
