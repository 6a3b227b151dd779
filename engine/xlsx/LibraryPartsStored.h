#pragma once

namespace tabrix::engine::xlsx {

/// While one of these lives on a thread, the parts libxlsxwriter zips on that thread are stored rather than
/// deflated (see the .cpp); every other use of the library, on any thread, is left as the library does it. The
/// package editor deflates stored parts as it copies them, so a saved file is the same either way.
class LibraryPartsStored {
public:
    LibraryPartsStored();
    ~LibraryPartsStored();
    LibraryPartsStored(const LibraryPartsStored&) = delete;
    LibraryPartsStored& operator=(const LibraryPartsStored&) = delete;

    /// Whether any part was stored while this lived.
    bool any() const;

private:
    bool m_outer;
};

} // namespace tabrix::engine::xlsx
