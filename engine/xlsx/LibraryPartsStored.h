#pragma once

namespace tabrix::engine::xlsx {

/// Whether libxlsxwriter's own parts come out stored rather than deflated in this program (see the .cpp); the
/// package editor deflates stored parts as it copies them, so the file is the same either way. Calling it also
/// keeps the object that makes it so in the link.
bool libraryPartsStored();

} // namespace tabrix::engine::xlsx
