#include "StoreSession.h"

#include "StoreLayout.h"

#include <algorithm>
#include <cmath>

namespace Storefront {

namespace {

// One frame is one tick of the launcher's timer.
constexpr double kSecondsPerFrame = 0.083;
constexpr double kHighlightShare = 0.45;
constexpr double kDetailsShare = 0.4;
constexpr double kScrollShare = 0.35;
// Closer than this to its target, an eased value is shown at the target; the last steps would
// move nothing visible.
constexpr double kSettleDistance = 0.004;

} // namespace

void EasedValue::step(double share) {
    value += (target - value) * share;
    if (std::fabs(target - value) < kSettleDistance) {
        value = target;
    }
}

void StoreSession::begin(int gameCount) {
    m_gameCount = std::max(0, gameCount);
    m_focus = m_gameCount > 0 ? 0 : kFocusBackButton;
    m_detailsOpen = false;
    m_detailsGame = -1;
    m_complete = false;
    m_pressed = {};
    m_cardHighlight.assign(static_cast<std::size_t>(m_gameCount), EasedValue{});
    m_backHighlight.jump(0);
    m_details.jump(0);
    m_scroll.jump(0);
    m_bannerSeconds = 0;
    m_notice.clear();
    m_noticeFramesLeft = 0;
    m_hoveredCard = cardAt(m_pointerX, m_pointerY, m_gameCount, 0);
    changed();
}

void StoreSession::setPointer(int x, int y) {
    if (x == m_pointerX && y == m_pointerY) {
        return;
    }
    m_pointerX = x;
    m_pointerY = y;
    m_hoveredCard = m_detailsOpen ? -1 : cardAt(x, y, m_gameCount, m_scroll.value);
    changed();
}

bool StoreSession::backButtonHovered() const {
    return Layout::kBackButton.contains(m_pointerX, m_pointerY);
}

bool StoreSession::handle(const StoreInput& input) {
    unsigned before = m_changeCount;
    switch (input.kind) {
    case StoreInput::Kind::Key:
        if (m_detailsOpen) {
            handleDetailsKey(input.key);
        } else {
            handleKey(input.key);
        }
        break;
    case StoreInput::Kind::MouseDown:
        m_pressed = hitAt(m_pointerX, m_pointerY);
        break;
    case StoreInput::Kind::MouseUp: {
        // A click counts where it both began and ended, so dragging off a card cancels it.
        Hit released = hitAt(m_pointerX, m_pointerY);
        if (released == m_pressed) {
            activate(released);
        }
        m_pressed = {};
        break;
    }
    case StoreInput::Kind::Wheel:
        if (!m_detailsOpen) {
            scrollTo(m_scroll.target - input.wheelRows);
        }
        break;
    case StoreInput::Kind::Ignored:
        break;
    }
    return m_changeCount != before;
}

void StoreSession::advanceFrame() {
    for (int index = 0; index < m_gameCount; ++index) {
        bool lit = !m_detailsOpen && (index == m_hoveredCard || index == m_focus);
        EasedValue& highlight = m_cardHighlight[static_cast<std::size_t>(index)];
        highlight.target = lit ? 1 : 0;
        highlight.step(kHighlightShare);
    }
    m_backHighlight.target = backButtonHovered() || m_focus == kFocusBackButton ? 1 : 0;
    m_backHighlight.step(kHighlightShare);
    m_details.target = m_detailsOpen ? 1 : 0;
    m_details.step(kDetailsShare);
    double scrollBefore = m_scroll.value;
    m_scroll.step(kScrollShare);
    if (m_scroll.value != scrollBefore && !m_detailsOpen) {
        // The cards slide under a resting pointer.
        m_hoveredCard = cardAt(m_pointerX, m_pointerY, m_gameCount, m_scroll.value);
    }
    m_bannerSeconds += kSecondsPerFrame;
    if (m_noticeFramesLeft > 0) {
        --m_noticeFramesLeft;
    }
}

void StoreSession::showNotice(const std::string& text, int frames) {
    m_notice = text;
    m_noticeFrames = std::max(1, frames);
    m_noticeFramesLeft = m_noticeFrames;
    changed();
}

double StoreSession::noticeOpacity() const {
    if (m_noticeFramesLeft <= 0) {
        return 0;
    }
    // Fully shown, then fading over its last twelve frames.
    return std::min(1.0, m_noticeFramesLeft / 12.0);
}

bool StoreSession::animating() const {
    if (!m_backHighlight.settled() || !m_details.settled() || !m_scroll.settled() ||
        m_noticeFramesLeft > 0) {
        return true;
    }
    return std::any_of(m_cardHighlight.begin(), m_cardHighlight.end(),
                       [](const EasedValue& value) { return !value.settled(); });
}

StoreSession::Hit StoreSession::hitAt(int x, int y) const {
    if (Layout::kBackButton.contains(x, y)) {
        return {Target::BackButton, -1};
    }
    if (m_detailsOpen) {
        if (Layout::kDetailsClose.contains(x, y)) {
            return {Target::DetailsClose, -1};
        }
        if (Layout::kDetailsPanel.contains(x, y)) {
            return {Target::DetailsPanel, -1};
        }
        return {Target::Backdrop, -1};
    }
    int card = cardAt(x, y, m_gameCount, m_scroll.value);
    return card >= 0 ? Hit{Target::Card, card} : Hit{};
}

void StoreSession::handleKey(StoreKey key) {
    int columns = Layout::kColumns;
    bool onBack = m_focus == kFocusBackButton;
    switch (key) {
    case StoreKey::Cancel:
        finish();
        break;
    case StoreKey::Activate:
        if (onBack) {
            finish();
        } else {
            openDetails(m_focus);
        }
        break;
    case StoreKey::Left:
        if (!onBack && m_focus > 0) {
            moveFocus(m_focus - 1);
        }
        break;
    case StoreKey::Right:
        if (!onBack && m_focus + 1 < m_gameCount) {
            moveFocus(m_focus + 1);
        }
        break;
    case StoreKey::Up:
        if (!onBack) {
            moveFocus(m_focus >= columns ? m_focus - columns : kFocusBackButton);
        }
        break;
    case StoreKey::Down:
        if (onBack) {
            if (m_gameCount > 0) {
                moveFocus(0);
            }
        } else if (m_focus + columns < m_gameCount) {
            moveFocus(m_focus + columns);
        } else if (m_focus / columns < rowCount(m_gameCount) - 1) {
            // The last row is short: go to its last game rather than nowhere.
            moveFocus(m_gameCount - 1);
        }
        break;
    case StoreKey::Next:
        if (onBack) {
            if (m_gameCount > 0) {
                moveFocus(0);
            }
        } else {
            moveFocus(m_focus + 1 < m_gameCount ? m_focus + 1 : kFocusBackButton);
        }
        break;
    }
}

void StoreSession::handleDetailsKey(StoreKey key) {
    switch (key) {
    case StoreKey::Cancel:
    case StoreKey::Activate:
        closeDetails();
        break;
    case StoreKey::Left:
        if (m_detailsGame > 0) {
            openDetails(m_detailsGame - 1);
        }
        break;
    case StoreKey::Right:
        if (m_detailsGame + 1 < m_gameCount) {
            openDetails(m_detailsGame + 1);
        }
        break;
    case StoreKey::Up:
    case StoreKey::Down:
    case StoreKey::Next:
        break;
    }
}

void StoreSession::moveFocus(int to) {
    m_focus = to;
    changed();
    if (to < 0) {
        return;
    }
    int row = to / Layout::kColumns;
    if (row < m_scroll.target) {
        scrollTo(row);
    } else if (row >= m_scroll.target + Layout::kVisibleRows) {
        scrollTo(row - Layout::kVisibleRows + 1);
    }
}

void StoreSession::activate(const Hit& hit) {
    switch (hit.target) {
    case Target::Card:
        openDetails(hit.card);
        break;
    case Target::BackButton:
        finish();
        break;
    case Target::DetailsClose:
    case Target::Backdrop:
        closeDetails();
        break;
    case Target::DetailsPanel:
    case Target::None:
        break;
    }
}

void StoreSession::openDetails(int game) {
    if (game < 0 || game >= m_gameCount) {
        return;
    }
    m_detailsOpen = true;
    m_detailsGame = game;
    m_hoveredCard = -1;
    // Closing the panel leaves the keyboard on the game that was shown last.
    moveFocus(game);
}

void StoreSession::closeDetails() {
    m_detailsOpen = false;
    m_hoveredCard = cardAt(m_pointerX, m_pointerY, m_gameCount, m_scroll.value);
    changed();
}

void StoreSession::finish() {
    m_complete = true;
    changed();
}

void StoreSession::scrollTo(double rows) {
    double clamped = std::clamp(rows, 0.0, static_cast<double>(maxScrollRows(m_gameCount)));
    if (clamped != m_scroll.target) {
        m_scroll.target = clamped;
        changed();
    }
}

} // namespace Storefront
