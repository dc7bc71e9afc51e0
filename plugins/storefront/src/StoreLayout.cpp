#include "StoreLayout.h"

#include <algorithm>

namespace Storefront {

Box cardBox(int index, double scrollRows) {
    int column = index % Layout::kColumns;
    double row = index / Layout::kColumns - scrollRows;
    return {Layout::kMarginX + column * (Layout::kCardWidth + Layout::kGapX),
            Layout::kGridTop + row * (Layout::kCardHeight + Layout::kGapY), Layout::kCardWidth,
            Layout::kCardHeight};
}

int rowCount(int gameCount) {
    return gameCount <= 0 ? 0 : (gameCount + Layout::kColumns - 1) / Layout::kColumns;
}

int maxScrollRows(int gameCount) {
    return std::max(0, rowCount(gameCount) - Layout::kVisibleRows);
}

int cardAt(double x, double y, int gameCount, double scrollRows) {
    if (!Layout::kGridArea.contains(x, y)) {
        return -1;
    }
    for (int index = 0; index < gameCount; ++index) {
        if (cardBox(index, scrollRows).contains(x, y)) {
            return index;
        }
    }
    return -1;
}

} // namespace Storefront
