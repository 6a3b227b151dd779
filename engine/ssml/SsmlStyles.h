#pragma once

#include "engine/model/BookData.h"

#include <string>
#include <unordered_map>

namespace tabrix::engine::ssml {

/// The <Styles> of a 2003 XML spreadsheet: each ss:Style by its ss:ID, built on its ss:Parent (or Default), with what a
/// cell shows of it (number format, font, fill, alignment). "Default" becomes the workbook's default style.
class SsmlStyles {
public:
    void begin(const char** atts);
    void element(std::string_view name, const char** atts);
    void end(BookData& book);

    /// The workbook style of an ss:StyleID; 0 for an unknown id.
    uint32_t styleFor(BookData& book, const std::string& id);

private:
    std::unordered_map<std::string, Style> m_entries;
    std::unordered_map<std::string, uint32_t> m_bookIds;
    std::string m_current;
};

/// Colour "#RRGGBB" as ARGB; 0 (automatic) for anything else.
Argb ssmlColor(const char* text);

} // namespace tabrix::engine::ssml
