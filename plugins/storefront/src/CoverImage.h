// Cover pictures of the catalogue's games, ready to paint: each is a Cairo surface of exactly the
// size it is shown at, so frames never scale pictures.
#pragma once

#include <cairo.h>

#include <string>

namespace Storefront {

// Owns one Cairo surface; moves, never copies.
class CoverImage {
public:
    CoverImage() = default;
    explicit CoverImage(cairo_surface_t* surface) : m_surface(surface) {}
    ~CoverImage() { reset(); }
    CoverImage(CoverImage&& other) noexcept : m_surface(other.m_surface) {
        other.m_surface = nullptr;
    }
    CoverImage& operator=(CoverImage&& other) noexcept;
    CoverImage(const CoverImage&) = delete;
    CoverImage& operator=(const CoverImage&) = delete;

    cairo_surface_t* surface() const { return m_surface; }
    explicit operator bool() const { return m_surface != nullptr; }
    void reset();

private:
    cairo_surface_t* m_surface = nullptr;
};

// Decodes the JPEG file and scales it to fill width x height, cropping what overhangs.
// An empty image when the file is missing, too large or not a whole JPEG picture.
CoverImage loadCoverJPEG(const std::string& path, int width, int height);

// A stable number per title (FNV-1a), so drawn pictures look the same on every run.
unsigned titleHash(const std::string& title);

// Paints the cover drawn for a game without a picture: colours taken from the title, so each
// game keeps its own look, with the title's initials large in the middle.
void paintGeneratedCover(cairo_t* cr, const std::string& title, double width, double height);

// A cover from the file when it can be read, otherwise the generated one, with its corners
// rounded by `cornerRadius` (transparent outside); empty only when Cairo cannot make a surface.
CoverImage makeCover(const std::string& jpegPath, const std::string& title, int width, int height,
                     double cornerRadius);

} // namespace Storefront
