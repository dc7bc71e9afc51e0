// Where everything sits in a 720 x 540 storefront frame, and what lies under a point.
#pragma once

namespace Storefront {

struct Box {
    double x = 0;
    double y = 0;
    double width = 0;
    double height = 0;

    bool contains(double px, double py) const {
        return px >= x && py >= y && px < x + width && py < y + height;
    }
    double right() const { return x + width; }
    double bottom() const { return y + height; }
};

namespace Layout {

inline constexpr int kFrameWidth = 720;
inline constexpr int kFrameHeight = 540;

inline constexpr Box kFrame{0, 0, kFrameWidth, kFrameHeight};
inline constexpr Box kBanner{0, 0, kFrameWidth, 96};
inline constexpr Box kBackButton{548, 28, 148, 40};
// Cards scroll inside this area; the banner and footer stay put.
inline constexpr Box kGridArea{0, 100, kFrameWidth, 414};
inline constexpr Box kFooter{0, 514, kFrameWidth, 26};

inline constexpr int kColumns = 4;
inline constexpr int kVisibleRows = 2;
inline constexpr double kMarginX = 24;
inline constexpr double kGridTop = 110;
inline constexpr double kCardWidth = 156;
inline constexpr double kCardHeight = 188;
inline constexpr double kGapX = 16;
inline constexpr double kGapY = 14;
inline constexpr double kCoverInset = 8;
inline constexpr int kCardCoverWidth = 140;
inline constexpr int kCardCoverHeight = 96;
inline constexpr double kCardCoverRadius = 6;

inline constexpr Box kDetailsPanel{40, 104, 640, 404};
inline constexpr int kDetailsCoverWidth = 280;
inline constexpr int kDetailsCoverHeight = 190;
inline constexpr double kDetailsCoverRadius = 8;
inline constexpr Box kDetailsCover{64, 128, kDetailsCoverWidth, kDetailsCoverHeight};
inline constexpr Box kDetailsText{368, 128, 288, 300};
inline constexpr Box kDetailsClose{556, 456, 108, 36};

} // namespace Layout

// The card of game `index` with the grid scrolled down by `scrollRows` rows (may be fractional
// while a scroll eases).
Box cardBox(int index, double scrollRows);

int rowCount(int gameCount);
// How many rows the grid can scroll down at most.
int maxScrollRows(int gameCount);

// The game whose card is under the point, or -1. Only the visible grid area counts.
int cardAt(double x, double y, int gameCount, double scrollRows);

} // namespace Storefront
