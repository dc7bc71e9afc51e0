#include "StorePainter.h"

#include "Shapes.h"
#include "StoreLayout.h"
#include "TextPainter.h"

#include <algorithm>
#include <cmath>

namespace Storefront {

namespace {

const Colour kBackgroundTop{0.08, 0.09, 0.13};
const Colour kBackgroundBottom{0.12, 0.13, 0.19};
const Colour kCardFill{0.15, 0.16, 0.22};
const Colour kCardFillLit{0.22, 0.24, 0.34};
const Colour kAccent{0.45, 0.68, 1.0};
const Colour kFocusRing{1.0, 0.82, 0.3};
const Colour kText{0.96, 0.96, 0.98};
const Colour kTextDim{0.68, 0.7, 0.78};
const Colour kButton{0.22, 0.25, 0.36};
const Colour kButtonLit{0.3, 0.5, 0.92};

const char* kBold = "Helvetica Bold";
const char* kRegular = "Helvetica";

Colour mix(const Colour& a, const Colour& b, double t) {
    return {a.red + (b.red - a.red) * t, a.green + (b.green - a.green) * t,
            a.blue + (b.blue - a.blue) * t, a.alpha + (b.alpha - a.alpha) * t};
}

Colour withAlpha(Colour colour, double alpha) {
    colour.alpha = alpha;
    return colour;
}

void paintBackground(cairo_t* cr) {
    cairo_pattern_t* gradient = cairo_pattern_create_linear(0, 0, 0, Layout::kFrameHeight);
    cairo_pattern_add_color_stop_rgb(gradient, 0, kBackgroundTop.red, kBackgroundTop.green,
                                     kBackgroundTop.blue);
    cairo_pattern_add_color_stop_rgb(gradient, 1, kBackgroundBottom.red, kBackgroundBottom.green,
                                     kBackgroundBottom.blue);
    cairo_set_source(cr, gradient);
    cairo_paint(cr);
    cairo_pattern_destroy(gradient);
}

void paintButton(cairo_t* cr, const Box& box, const std::string& label, double highlight,
                 bool focused) {
    roundedRectangle(cr, box, 8);
    setColour(cr, mix(kButton, kButtonLit, highlight));
    cairo_fill_preserve(cr);
    setColour(cr, withAlpha(kText, 0.25 + 0.35 * highlight));
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
    if (focused) {
        roundedRectangle(cr, {box.x - 3, box.y - 3, box.width + 6, box.height + 6}, 10);
        setColour(cr, kFocusRing);
        cairo_set_line_width(cr, 2);
        cairo_stroke(cr);
    }
    TextStyle style{kBold, 15, kText};
    style.alignment = TextAlignment::Center;
    drawTextCentredVertically(cr, label, style, box.x, box.y, box.width, box.height);
}

// Eight dots around a circle, the brightest one turning once a second.
void paintLoadingIndicator(cairo_t* cr, double seconds) {
    const double centreX = 520;
    const double centreY = 48;
    int lead = static_cast<int>(seconds * 8) % 8;
    for (int dot = 0; dot < 8; ++dot) {
        double angle = dot * M_PI / 4;
        int behind = (lead - dot + 8) % 8;
        cairo_arc(cr, centreX + 9 * std::cos(angle), centreY + 9 * std::sin(angle), 2.2, 0,
                  2 * M_PI);
        setColour(cr, withAlpha(kText, 1.0 - behind * 0.11));
        cairo_fill(cr);
    }
}

void paintBanner(cairo_t* cr, const StoreSession& session, const FrameOptions& options) {
    options.banner->paint(cr, session.bannerSeconds());
    if (options.loading) {
        paintLoadingIndicator(cr, session.bannerSeconds());
    }
    paintButton(cr, Layout::kBackButton, "Back to game", session.backHighlight(),
                session.focus() == kFocusBackButton && !session.detailsOpen());
}

// Where a cover will be once its picture has arrived.
void paintCoverPlaceholder(cairo_t* cr, const Box& box, double radius) {
    roundedRectangle(cr, box, radius);
    setColour(cr, mix(kCardFill, kCardFillLit, 0.5));
    cairo_fill(cr);
    TextStyle style{kRegular, 12, kTextDim};
    style.alignment = TextAlignment::Center;
    drawTextCentredVertically(cr, "Loading picture\u2026", style, box.x, box.y, box.width,
                              box.height);
}

void paintCard(cairo_t* cr, const StoreGame& game, const Box& place, double highlight,
               bool focused) {
    Box card = place;
    card.y -= 4 * highlight; // a lit card lifts a little
    roundedRectangle(cr, {card.x + 2, card.y + 4, card.width, card.height}, 10);
    cairo_set_source_rgba(cr, 0, 0, 0, 0.25 + 0.2 * highlight);
    cairo_fill(cr);
    roundedRectangle(cr, card, 10);
    setColour(cr, mix(kCardFill, kCardFillLit, highlight));
    cairo_fill_preserve(cr);
    setColour(cr, withAlpha(kAccent, 0.12 + 0.75 * highlight));
    cairo_set_line_width(cr, 1 + highlight);
    cairo_stroke(cr);
    if (focused) {
        roundedRectangle(cr, {card.x - 3, card.y - 3, card.width + 6, card.height + 6}, 12);
        setColour(cr, kFocusRing);
        cairo_set_line_width(cr, 2);
        cairo_stroke(cr);
    }

    double inset = Layout::kCoverInset;
    if (!game.cardCover) {
        paintCoverPlaceholder(cr,
                              {card.x + inset, card.y + inset,
                               static_cast<double>(Layout::kCardCoverWidth),
                               static_cast<double>(Layout::kCardCoverHeight)},
                              Layout::kCardCoverRadius);
    } else {
        // Covers carry their rounded corners already: no clip path per card and frame.
        cairo_set_source_surface(cr, game.cardCover.surface(), card.x + inset, card.y + inset);
        cairo_rectangle(cr, card.x + inset, card.y + inset, Layout::kCardCoverWidth,
                        Layout::kCardCoverHeight);
        cairo_fill(cr);
    }
    double textX = card.x + inset;
    double textWidth = card.width - 2 * inset;
    double y = card.y + inset + Layout::kCardCoverHeight + 6;
    drawText(cr, game.entry.title, {kBold, 14, kText}, textX, y, textWidth);
    drawText(cr, formatPrice(game.entry.priceInCents), {kBold, 13, kAccent}, textX, y + 20,
             textWidth);
    TextStyle blurb{kRegular, 11, kTextDim};
    blurb.maxLines = 2;
    drawText(cr, game.entry.description, blurb, textX, y + 40, textWidth);
}

void paintEmptyStore(cairo_t* cr, const StoreContent& content) {
    const Box& area = Layout::kGridArea;
    TextStyle title{kBold, 20, kText};
    title.alignment = TextAlignment::Center;
    drawText(cr, "No other games to show right now.", title, area.x + 60, area.y + 130,
             area.width - 120);
    if (!content.problem.empty()) {
        TextStyle reason{kRegular, 13, kTextDim};
        reason.alignment = TextAlignment::Center;
        reason.maxLines = 4;
        drawText(cr, content.problem, reason, area.x + 60, area.y + 170, area.width - 120);
    }
}

void paintGrid(cairo_t* cr, const StoreContent& content, const StoreSession& session) {
    if (content.games.empty()) {
        paintEmptyStore(cr, content);
        return;
    }
    cairo_save(cr);
    const Box& area = Layout::kGridArea;
    cairo_rectangle(cr, area.x, area.y, area.width, area.height);
    cairo_clip(cr);
    int count = static_cast<int>(content.games.size());
    for (int index = 0; index < count; ++index) {
        Box place = cardBox(index, session.scrollRows());
        if (place.bottom() < area.y || place.y > area.bottom()) {
            continue;
        }
        bool focused = index == session.focus() && !session.detailsOpen();
        paintCard(cr, content.games[static_cast<std::size_t>(index)], place,
                  session.cardHighlight(index), focused);
    }
    cairo_restore(cr);
}

void paintDetailsPanel(cairo_t* cr, const StoreGame& game) {
    const Box& panel = Layout::kDetailsPanel;
    roundedRectangle(cr, panel, 14);
    setColour(cr, {0.13, 0.14, 0.2});
    cairo_fill_preserve(cr);
    setColour(cr, withAlpha(kAccent, 0.5));
    cairo_set_line_width(cr, 1.5);
    cairo_stroke(cr);

    const Box& cover = Layout::kDetailsCover;
    if (!game.detailsCover) {
        paintCoverPlaceholder(cr, cover, Layout::kDetailsCoverRadius);
    } else {
        cairo_set_source_surface(cr, game.detailsCover.surface(), cover.x, cover.y);
        cairo_rectangle(cr, cover.x, cover.y, cover.width, cover.height);
        cairo_fill(cr);
    }
    const Box& text = Layout::kDetailsText;
    TextStyle title{kBold, 22, kText};
    title.maxLines = 2;
    double y = text.y + drawText(cr, game.entry.title, title, text.x, text.y, text.width);
    y += 6 + drawText(cr, formatPrice(game.entry.priceInCents), {kBold, 18, kAccent}, text.x, y + 6,
                      text.width);
    TextStyle body{kRegular, 14, kTextDim};
    body.maxLines = 14;
    drawText(cr, game.entry.description, body, text.x, y + 14, text.width);
    paintButton(cr, Layout::kDetailsClose, "Close", 0.4, false);
}

// The panel rises into place and fades in as it opens.
void paintDetails(cairo_t* cr, const StoreContent& content, const StoreSession& session) {
    double progress = session.detailsProgress();
    int game = session.detailsGame();
    if (progress <= 0 || game < 0 || game >= static_cast<int>(content.games.size())) {
        return;
    }
    const Box& area = Layout::kGridArea;
    cairo_rectangle(cr, area.x, area.y, area.width, area.height);
    cairo_set_source_rgba(cr, 0, 0, 0, 0.55 * progress);
    cairo_fill(cr);
    cairo_save(cr);
    cairo_translate(cr, 0, 30 * (1 - progress));
    // The group is only as large as the clip: the panel, not the whole frame.
    const Box& panel = Layout::kDetailsPanel;
    cairo_rectangle(cr, panel.x - 2, panel.y - 2, panel.width + 4, panel.height + 4);
    cairo_clip(cr);
    cairo_push_group(cr);
    paintDetailsPanel(cr, content.games[static_cast<std::size_t>(game)]);
    cairo_pop_group_to_source(cr);
    cairo_paint_with_alpha(cr, progress);
    cairo_restore(cr);
}

void paintFooter(cairo_t* cr, const StoreSession& session, const std::string& statusLine) {
    const Box& footer = Layout::kFooter;
    if (!statusLine.empty()) {
        TextStyle style{kBold, 12, kFocusRing};
        style.alignment = TextAlignment::Center;
        drawTextCentredVertically(cr, statusLine, style, footer.x, footer.y, footer.width,
                                  footer.height);
        return;
    }
    const char* hint = session.detailsOpen()
                           ? "Left and right show other games  \u00b7  Esc closes the details"
                           : "Arrow keys choose a game  \u00b7  Return shows its details  "
                             "\u00b7  Esc goes back to the game";
    TextStyle style{kRegular, 12, kTextDim};
    style.alignment = TextAlignment::Center;
    drawTextCentredVertically(cr, hint, style, footer.x, footer.y, footer.width, footer.height);
}

void paintNotice(cairo_t* cr, const StoreSession& session) {
    double opacity = session.noticeOpacity();
    if (opacity <= 0) {
        return;
    }
    Box bar{80, 458, 560, 44};
    roundedRectangle(cr, bar, 10);
    cairo_set_source_rgba(cr, 0.55, 0.2, 0.15, 0.92 * opacity);
    cairo_fill(cr);
    TextStyle style{kBold, 13, withAlpha(kText, opacity)};
    style.alignment = TextAlignment::Center;
    style.maxLines = 2;
    drawTextCentredVertically(cr, session.notice(), style, bar.x + 12, bar.y, bar.width - 24,
                              bar.height);
}

void paintPointer(cairo_t* cr, const StoreSession& session) {
    double x = session.pointerX();
    double y = session.pointerY();
    cairo_move_to(cr, x, y);
    cairo_line_to(cr, x, y + 17);
    cairo_line_to(cr, x + 4.5, y + 13);
    cairo_line_to(cr, x + 8, y + 20);
    cairo_line_to(cr, x + 10.5, y + 19);
    cairo_line_to(cr, x + 7, y + 12);
    cairo_line_to(cr, x + 12, y + 12);
    cairo_close_path(cr);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_fill_preserve(cr);
    cairo_set_source_rgb(cr, 0, 0, 0);
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
}

} // namespace

void paintFrame(cairo_t* cr, const StoreContent& content, const StoreSession& session,
                const FrameOptions& options) {
    cairo_save(cr);
    if (options.bannerOnly) {
        const Box& banner = Layout::kBanner;
        cairo_rectangle(cr, banner.x, banner.y, banner.width, banner.height);
        cairo_clip(cr);
        paintBanner(cr, session, options);
        cairo_restore(cr);
        return;
    }
    paintBackground(cr);
    paintBanner(cr, session, options);
    paintGrid(cr, content, session);
    paintDetails(cr, content, session);
    paintFooter(cr, session, options.statusLine);
    paintNotice(cr, session);
    if (options.drawPointer && session.pointerX() >= 0) {
        paintPointer(cr, session);
    }
    cairo_restore(cr);
}

} // namespace Storefront
