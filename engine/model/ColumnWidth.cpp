#include "engine/model/ColumnWidth.h"

#include <algorithm>
#include <cmath>

namespace tabrix::engine {

double displayWidth(double fileWidth) {
    if (!(fileWidth > 0)) return 0;
    double pixels = std::floor(std::min(fileWidth, 255.0) * 7 + 0.5);
    return pixels >= 12 ? (pixels - 5) / 7 : pixels / 12;
}

} // namespace tabrix::engine
