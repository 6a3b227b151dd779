#include "engine/xlsx/write/ChartSheetParts.h"

#include "engine/xlsx/write/XmlEscape.h"

#include <algorithm>
#include <charconv>
#include <map>
#include <optional>
#include <set>

namespace tabrix::engine::xlsx {

namespace {

constexpr std::string_view kChartSheetType = "application/vnd.openxmlformats-officedocument.spreadsheetml.chartsheet+xml";

std::string dirOf(std::string_view path) {
    size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? std::string() : std::string(path.substr(0, slash + 1));
}

std::string fileOf(std::string_view path) {
    size_t slash = path.rfind('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

bool isRelsPart(std::string_view path) { return path.find("_rels/") != std::string_view::npos && path.ends_with(".rels"); }

/// The part a relationships part belongs to: "xl/charts/_rels/chart1.xml.rels" → "xl/charts/chart1.xml".
std::string sourceOfRels(std::string_view rels) {
    std::string dir = dirOf(rels);
    if (!dir.ends_with("_rels/")) return {};
    std::string file = fileOf(rels);
    return dir.substr(0, dir.size() - 6) + file.substr(0, file.size() - 5);
}

std::string relsPartOf(std::string_view part) { return dirOf(part) + "_rels/" + fileOf(part) + ".rels"; }

/// A relationship target made a package path: relative to the source's folder unless it starts with "/".
std::string resolveTarget(const std::string& sourceDir, std::string_view target) {
    std::string joined = target.starts_with('/') ? std::string(target.substr(1)) : sourceDir + std::string(target);
    std::vector<std::string> parts;
    size_t pos = 0;
    while (pos <= joined.size()) {
        size_t next = joined.find('/', pos);
        if (next == std::string::npos) next = joined.size();
        std::string seg = joined.substr(pos, next - pos);
        if (seg == "..") {
            if (!parts.empty()) parts.pop_back();
        } else if (!seg.empty() && seg != ".") {
            parts.push_back(seg);
        }
        pos = next + 1;
    }
    std::string out;
    for (const auto& p : parts) out += (out.empty() ? "" : "/") + p;
    return out;
}

/// A name in the same folder not yet taken: "chart1.xml" → "chart2.xml", "chart3.xml", ...
std::string freeName(const std::string& path, std::set<std::string>& used) {
    std::string dir = dirOf(path), file = fileOf(path);
    size_t dot = file.rfind('.');
    std::string ext = dot == std::string::npos ? "" : file.substr(dot);
    std::string stem = file.substr(0, file.size() - ext.size());
    while (!stem.empty() && stem.back() >= '0' && stem.back() <= '9') stem.pop_back();
    for (int n = 1;; ++n) {
        std::string candidate = dir + stem + std::to_string(n) + ext;
        if (used.insert(lowerPath(candidate)).second) return candidate;
    }
}

std::string guessContentType(std::string_view path) {
    std::string ext = lowerPath(path.substr(path.rfind('.') + 1));
    if (ext == "png") return "image/png";
    if (ext == "jpeg" || ext == "jpg") return "image/jpeg";
    if (ext == "gif") return "image/gif";
    if (ext == "emf") return "image/x-emf";
    if (ext == "wmf") return "image/x-wmf";
    return "application/xml";
}

/// Points each relationship at the new name of a renamed part. Names only change within their folder, so
/// replacing the last segment of the target keeps a relative target right.
std::string rewriteTargets(std::string rels, const std::string& sourceDir, const std::map<std::string, std::string>& renamed) {
    size_t pos = 0;
    while ((pos = rels.find("<Relationship ", pos)) != std::string::npos) {
        size_t end = rels.find('>', pos);
        if (end == std::string::npos) break;
        std::string_view element(rels.data() + pos, end - pos);
        size_t t = element.find(" Target=\"");
        if (t == std::string_view::npos || element.find("TargetMode=\"External\"") != std::string_view::npos) {
            pos = end;
            continue;
        }
        size_t value = pos + t + 9;
        size_t close = rels.find('"', value);
        std::string target = rels.substr(value, close - value);
        auto it = renamed.find(lowerPath(resolveTarget(sourceDir, target)));
        if (it != renamed.end()) {
            std::string updated = target.substr(0, target.rfind('/') + 1) + fileOf(it->second);
            rels.replace(value, close - value, updated);
            end += updated.size() - target.size();
        }
        pos = end;
    }
    return rels;
}

} // namespace

std::string lowerPath(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

std::optional<std::string> addChartSheetParts(const SheetData& sheet, std::set<std::string>& used,
                                              std::vector<FixedPart>& parts) {
    auto main = std::find_if(sheet.opaqueParts.begin(), sheet.opaqueParts.end(),
                             [](const OpaquePart& p) { return p.contentType == kChartSheetType; });
    if (main == sheet.opaqueParts.end()) return std::nullopt;
    std::map<std::string, std::string> renamed; // lower-case old path → new path
    std::map<std::string, std::string> newPath;
    for (const auto& part : sheet.opaqueParts) {
        if (isRelsPart(part.path)) continue;
        std::string path = used.insert(lowerPath(part.path)).second ? part.path : freeName(part.path, used);
        if (path != part.path) renamed[lowerPath(part.path)] = path;
        newPath[part.path] = path;
    }
    for (const auto& part : sheet.opaqueParts) {
        if (isRelsPart(part.path)) {
            std::string source = sourceOfRels(part.path);
            auto it = newPath.find(source);
            if (it == newPath.end()) continue; // relationships of a part not kept have nothing to point from
            std::string rels = relsPartOf(it->second);
            used.insert(lowerPath(rels));
            parts.push_back({rels, {}, rewriteTargets(part.data, dirOf(source), renamed)});
            continue;
        }
        std::string data = part.data;
        if (&part == &*main) {
            // Only the sheet written as active may be selected, or the application opens the tabs grouped.
            for (size_t at; (at = data.find(" tabSelected=\"1\"")) != std::string::npos;) data.erase(at, 16);
        }
        const std::string& path = newPath[part.path];
        parts.push_back({path, part.contentType.empty() ? guessContentType(path) : part.contentType, std::move(data)});
    }
    return newPath[main->path];
}

} // namespace tabrix::engine::xlsx
