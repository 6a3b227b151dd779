#pragma once

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace tabrix::engine::xlsx {

class ZipPackage;

/// One relationship of a part. kind is the last segment of the type URI ("worksheet", "styles"), which is the
/// same in the Transitional and Strict namespaces.
struct Relationship {
    std::string id;
    std::string kind;
    std::string target; ///< the part name it points to, resolved against the source part; as written if external
    bool external = false;
};

/// The relationships part of a part: "xl/workbook.xml" → "xl/_rels/workbook.xml.rels".
std::string relsPartOf(std::string_view part);
/// Target resolved against the folder of the source part ("../drawings/d1.xml", "/xl/x.xml", "%20" escapes).
std::string resolveTarget(std::string_view sourcePart, std::string_view target);
/// The relationships of a part (empty when it has none). A target that does not resolve to a part but names one
/// from the package root is taken from the root, as some producers write it that way.
std::vector<Relationship> readRelationships(ZipPackage& package, std::string_view sourcePart);
const Relationship* findRelationship(const std::vector<Relationship>& rels, std::string_view kind);

/// [Content_Types].xml: the content type of each part by override, else by extension.
class ContentTypes {
public:
    void load(ZipPackage& package);
    std::string of(std::string_view part) const;

private:
    std::unordered_map<std::string, std::string> m_overrides; ///< normalised part name → type
    std::unordered_map<std::string, std::string> m_defaults;  ///< lower-case extension → type
};

/// Text with its %XX escapes (as relationship targets carry them) turned back into bytes.
std::string percentDecode(std::string_view text);

} // namespace tabrix::engine::xlsx
