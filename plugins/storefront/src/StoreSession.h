// One visit to the storefront: what has focus, what the pointer is over, whether the details
// panel is open, and the eased values that make changes glide instead of jump. Animation steps
// once per frame, so it runs at the launcher's frame rate (about twelve frames a second).
#pragma once

#include "StoreInput.h"

#include <string>
#include <vector>

namespace Storefront {

// A value that moves a fixed share of the way to its target every frame.
struct EasedValue {
    double value = 0;
    double target = 0;

    void step(double share);
    void jump(double to) { value = target = to; }
    bool settled() const { return value == target; }
};

inline constexpr int kFocusBackButton = -1;

class StoreSession {
public:
    // Starts a new visit to a store of `gameCount` games: focus on the first game (or on the
    // back button when there are none), nothing open, nothing highlighted.
    void begin(int gameCount);

    void setPointer(int x, int y);
    // Returns whether the input did something.
    bool handle(const StoreInput& input);
    void advanceFrame();

    // A short message over the store for `frames` frames, e.g. after a failed update.
    void showNotice(const std::string& text, int frames);

    bool complete() const { return m_complete; }
    // True while any eased value is still moving or a notice is up: the frame must change.
    bool animating() const;
    // Counts every change of state, so a caller can tell whether anything moved since.
    unsigned changeCount() const { return m_changeCount; }

    int gameCount() const { return m_gameCount; }
    int focus() const { return m_focus; }
    int hoveredCard() const { return m_hoveredCard; }
    bool backButtonHovered() const;
    bool detailsOpen() const { return m_detailsOpen; }
    int detailsGame() const { return m_detailsGame; }
    double cardHighlight(int index) const { return m_cardHighlight.at(index).value; }
    double backHighlight() const { return m_backHighlight.value; }
    double detailsProgress() const { return m_details.value; }
    double scrollRows() const { return m_scroll.value; }
    double bannerSeconds() const { return m_bannerSeconds; }
    int pointerX() const { return m_pointerX; }
    int pointerY() const { return m_pointerY; }
    const std::string& notice() const { return m_notice; }
    double noticeOpacity() const;

private:
    enum class Target { None, Card, BackButton, DetailsClose, DetailsPanel, Backdrop };
    struct Hit {
        Target target = Target::None;
        int card = -1;
        bool operator==(const Hit&) const = default;
    };

    Hit hitAt(int x, int y) const;
    void handleKey(StoreKey key);
    void handleDetailsKey(StoreKey key);
    void moveFocus(int to);
    void activate(const Hit& hit);
    void openDetails(int game);
    void closeDetails();
    void finish();
    void scrollTo(double rows);
    void changed() { ++m_changeCount; }

    int m_gameCount = 0;
    int m_focus = kFocusBackButton;
    int m_hoveredCard = -1;
    bool m_detailsOpen = false;
    int m_detailsGame = -1;
    bool m_complete = false;
    Hit m_pressed;
    int m_pointerX = -1;
    int m_pointerY = -1;
    std::vector<EasedValue> m_cardHighlight;
    EasedValue m_backHighlight;
    EasedValue m_details;
    EasedValue m_scroll;
    double m_bannerSeconds = 0;
    std::string m_notice;
    int m_noticeFramesLeft = 0;
    int m_noticeFrames = 0;
    unsigned m_changeCount = 0;
};

} // namespace Storefront
