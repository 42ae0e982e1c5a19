#include "CGraphics.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <cstring>

CRect& CRect::bound(const CRect& o) {
    left = std::max(left, o.left);
    top = std::max(top, o.top);
    right = std::min(right, o.right);
    bottom = std::min(bottom, o.bottom);
    if (right < left) right = left;
    if (bottom < top) bottom = top;
    return *this;
}

bool CRect::isFinite() const {
    return std::isfinite(left) && std::isfinite(top) && std::isfinite(right) &&
           std::isfinite(bottom);
}

CRect& CRect::unite(const CRect& o) {
    if (o.isEmpty()) return *this;
    if (isEmpty()) return *this = o;
    left = std::min(left, o.left);
    top = std::min(top, o.top);
    right = std::max(right, o.right);
    bottom = std::max(bottom, o.bottom);
    return *this;
}

// --- fonts -----------------------------------------------------------------

namespace {
std::string familyFor(const char* name) {
    if (!name || !*name) return "DejaVu Sans";
    static const char* const sans[] = {"Arial", "Helvetica", "Geneva", "Verdana", "Tahoma",
                                       "MS Sans Serif", "System", "sans-serif", "Sans"};
    for (const char* s : sans)
        if (strcasecmp(name, s) == 0) return "DejaVu Sans";
    if (strcasecmp(name, "Courier") == 0 || strcasecmp(name, "Courier New") == 0 ||
        strcasecmp(name, "Monaco") == 0 || strcasecmp(name, "monospace") == 0)
        return "DejaVu Sans Mono";
    return name;
}

CFontDesc gSystemFont("Arial", 12);
CFontDesc gVeryBig("Arial", 18);
CFontDesc gBig("Arial", 14);
CFontDesc gNormal("Arial", 12);
CFontDesc gSmall("Arial", 11);
CFontDesc gSmaller("Arial", 10);
CFontDesc gVerySmall("Arial", 9);
}  // namespace

CFontDesc::CFontDesc(const char* name, CCoord size, std::int32_t style)
    : name_(name ? name : ""), family_(familyFor(name)), size_(size), style_(style) {}

const CFontRef kSystemFont = &gSystemFont;
const CFontRef kNormalFontVeryBig = &gVeryBig;
const CFontRef kNormalFontBig = &gBig;
const CFontRef kNormalFont = &gNormal;
const CFontRef kNormalFontSmall = &gSmall;
const CFontRef kNormalFontSmaller = &gSmaller;
const CFontRef kNormalFontVerySmall = &gVerySmall;

// --- drawing context -------------------------------------------------------

namespace {
// Text as cairo accepts it: valid UTF-8 stays, any other byte is read as Latin-1
// (an invalid string would put the whole context into an error state).
std::string validUtf8(const char* text) {
    std::string out;
    const auto* p = reinterpret_cast<const unsigned char*>(text);
    while (*p) {
        const unsigned char c = *p;
        int length = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 0;
        bool valid = length > 0 && !(length == 2 && c < 0xC2) && !(length == 4 && c > 0xF4);
        for (int i = 1; valid && i < length; ++i) valid = (p[i] >> 6) == 0x2;
        if (valid && length == 3) {
            const unsigned cp = ((c & 0x0Fu) << 12) | ((p[1] & 0x3Fu) << 6) | (p[2] & 0x3Fu);
            valid = cp >= 0x800 && !(cp >= 0xD800 && cp <= 0xDFFF);
        }
        if (valid && length == 4) {
            const unsigned cp = ((c & 0x07u) << 18) | ((p[1] & 0x3Fu) << 12);
            valid = cp >= 0x10000 && cp <= 0x10FFFF;
        }
        if (valid) {
            out.append(reinterpret_cast<const char*>(p), static_cast<std::size_t>(length));
            p += length;
        } else {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
            ++p;
        }
    }
    return out;
}
}  // namespace

CDrawContext::CDrawContext(cairo_surface_t* surface)
    : surface_(cairo_surface_reference(surface)), cr_(cairo_create(surface)) {
    cairo_set_antialias(cr_, CAIRO_ANTIALIAS_DEFAULT);
    // Fixed hinting so two renderings of the same frame give the same pixels.
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_SLIGHT);
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_ON);
    cairo_set_font_options(cr_, options);
    cairo_font_options_destroy(options);
}

bool CDrawContext::recover() {
    if (cairo_status(cr_) == CAIRO_STATUS_SUCCESS) return false;
    cairo_destroy(cr_);
    cr_ = cairo_create(surface_);
    clip_ = CRect();
    return true;
}

CDrawContext::~CDrawContext() {
    cairo_destroy(cr_);
    cairo_surface_destroy(surface_);
}

void CDrawContext::setFont(const CFontDesc* font, CCoord size, std::int32_t style) {
    if (!font) font = kNormalFont;
    fontFamily_ = font->getFamily();
    fontSize_ = size > 0 ? size : font->getSize();
    fontStyle_ = style >= 0 ? style : font->getStyle();
}

void CDrawContext::setClipRect(const CRect& r) {
    clip_ = r;
    cairo_reset_clip(cr_);
    if (r != CRect()) {
        cairo_rectangle(cr_, r.left, r.top, r.width(), r.height());
        cairo_clip(cr_);
    }
}

void CDrawContext::resetClipRect() {
    clip_ = CRect();
    cairo_reset_clip(cr_);
}

void CDrawContext::setSource(const CColor& c) {
    cairo_set_source_rgba(cr_, c.red / 255.0, c.green / 255.0, c.blue / 255.0,
                          c.alpha / 255.0 * globalAlpha_);
}

void CDrawContext::moveTo(const CPoint& p) { pen_ = p; }

void CDrawContext::lineTo(const CPoint& p) {
    drawLine(pen_, p);
    pen_ = p;
}

void CDrawContext::drawLine(const CPoint& from, const CPoint& to) {
    setSource(frameColor_);
    cairo_set_line_width(cr_, lineWidth_);
    // Pixel centres, so one-pixel lines stay sharp.
    cairo_move_to(cr_, from.h + 0.5, from.v + 0.5);
    cairo_line_to(cr_, to.h + 0.5, to.v + 0.5);
    cairo_stroke(cr_);
}

void CDrawContext::drawRect(const CRect& r, CDrawStyle style) {
    if (style != kDrawStroked) {
        setSource(fillColor_);
        cairo_rectangle(cr_, r.left, r.top, r.width(), r.height());
        cairo_fill(cr_);
    }
    if (style != kDrawFilled) {
        setSource(frameColor_);
        cairo_set_line_width(cr_, lineWidth_);
        const double in = lineWidth_ / 2;
        cairo_rectangle(cr_, r.left + in, r.top + in, r.width() - lineWidth_,
                        r.height() - lineWidth_);
        cairo_stroke(cr_);
    }
}

void CDrawContext::drawEllipse(const CRect& r, CDrawStyle style) {
    if (r.isEmpty()) return;
    cairo_save(cr_);
    cairo_translate(cr_, (r.left + r.right) / 2, (r.top + r.bottom) / 2);
    cairo_scale(cr_, r.width() / 2, r.height() / 2);
    cairo_arc(cr_, 0, 0, 1, 0, 2 * M_PI);
    cairo_restore(cr_);
    if (style != kDrawStroked) {
        setSource(fillColor_);
        if (style == kDrawFilledAndStroked)
            cairo_fill_preserve(cr_);
        else
            cairo_fill(cr_);
    }
    if (style != kDrawFilled) {
        setSource(frameColor_);
        cairo_set_line_width(cr_, lineWidth_);
        cairo_stroke(cr_);
    }
}

void CDrawContext::applyFont() {
    cairo_select_font_face(cr_, fontFamily_.c_str(),
                           (fontStyle_ & kItalicFace) ? CAIRO_FONT_SLANT_ITALIC
                                                      : CAIRO_FONT_SLANT_NORMAL,
                           (fontStyle_ & kBoldFace) ? CAIRO_FONT_WEIGHT_BOLD
                                                    : CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr_, fontSize_);
}

CCoord CDrawContext::getStringWidth(const char* text) {
    if (!text) return 0;
    applyFont();
    cairo_text_extents_t ext;
    cairo_text_extents(cr_, validUtf8(text).c_str(), &ext);
    return ext.x_advance;
}

CCoord CDrawContext::getFontHeight() {
    applyFont();
    cairo_font_extents_t fe;
    cairo_font_extents(cr_, &fe);
    return fe.ascent + fe.descent;
}

void CDrawContext::drawString(const char* text, const CRect& rect, bool opaque,
                              CHoriTxtAlign align) {
    if (opaque) {
        setSource(fillColor_);
        cairo_rectangle(cr_, rect.left, rect.top, rect.width(), rect.height());
        cairo_fill(cr_);
    }
    if (!text || !*text) return;
    const std::string valid = validUtf8(text);
    applyFont();
    cairo_font_extents_t fe;
    cairo_font_extents(cr_, &fe);
    cairo_text_extents_t ext;
    cairo_text_extents(cr_, valid.c_str(), &ext);
    double x = rect.left;
    if (align == kCenterText)
        x = rect.left + (rect.width() - ext.x_advance) / 2;
    else if (align == kRightText)
        x = rect.right - ext.x_advance;
    const double y = rect.top + (rect.height() - (fe.ascent + fe.descent)) / 2 + fe.ascent;
    cairo_save(cr_);
    cairo_rectangle(cr_, rect.left, rect.top, rect.width(), rect.height());
    cairo_clip(cr_);
    setSource(fontColor_);
    cairo_move_to(cr_, std::round(x), std::round(y));
    cairo_show_text(cr_, valid.c_str());
    cairo_restore(cr_);
}

// --- bitmaps ---------------------------------------------------------------

namespace {
struct PngReader {
    const unsigned char* data;
    std::size_t size;
    std::size_t pos;
};

cairo_status_t readPng(void* closure, unsigned char* out, unsigned int length) {
    auto* r = static_cast<PngReader*>(closure);
    if (length > r->size - r->pos) return CAIRO_STATUS_READ_ERROR;
    std::memcpy(out, r->data + r->pos, length);
    r->pos += length;
    return CAIRO_STATUS_SUCCESS;
}
}  // namespace

CBitmap::CBitmap(const unsigned char* png, std::size_t size, double scale) {
    loadPng(png, size, scale);
}

CBitmap::CBitmap(cairo_surface_t* surface) {
    if (surface && cairo_surface_status(surface) == CAIRO_STATUS_SUCCESS)
        adopt(cairo_surface_reference(surface));
}

CBitmap::~CBitmap() {
    if (surface_) cairo_surface_destroy(surface_);
}

void CBitmap::loadPng(const unsigned char* png, std::size_t size, double scale) {
    if (!png || size < 8) return;
    PngReader reader{png, size, 0};
    cairo_surface_t* s = cairo_image_surface_create_from_png_stream(readPng, &reader);
    if (cairo_surface_status(s) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(s);
        return;
    }
    // Drawn into a context, the picture then covers its logical size.
    scale = nearestScale(scale);
    cairo_surface_set_device_scale(s, scale, scale);
    adopt(s);
}

bool CBitmap::hasAlpha() const {
    return surface_ && cairo_surface_get_content(surface_) != CAIRO_CONTENT_COLOR;
}

void CBitmap::adopt(cairo_surface_t* surface) {
    surface_ = surface;
    double sx = 1, sy = 1;
    cairo_surface_get_device_scale(surface, &sx, &sy);
    scale_ = sx > 0 && sx == sy ? sx : 1.0;
    if (cairo_surface_get_type(surface) == CAIRO_SURFACE_TYPE_IMAGE) {
        // A picture of an odd logical size drawn at 1.5 has a device pixel to spare.
        width_ = std::floor(cairo_image_surface_get_width(surface) / scale_ + 0.25);
        height_ = std::floor(cairo_image_surface_get_height(surface) / scale_ + 0.25);
    } else {
        double x0, y0, x1, y1;
        cairo_t* cr = cairo_create(surface);
        cairo_clip_extents(cr, &x0, &y0, &x1, &y1);
        cairo_destroy(cr);
        width_ = x1 - x0;
        height_ = y1 - y0;
    }
}

void CBitmap::draw(CDrawContext* context, const CRect& dest, const CPoint& offset, float alpha) {
    if (!context || !surface_ || dest.isEmpty() || !dest.isFinite() || !(alpha > 0.0f) ||
        !std::isfinite(offset.h) || !std::isfinite(offset.v))
        return;
    if (alpha > 1.0f) alpha = 1.0f;
    // The source rectangle, clipped to the bitmap.
    CRect src(offset.h, offset.v, offset.h + dest.width(), offset.v + dest.height());
    src.bound(CRect(0, 0, width_, height_));
    if (src.isEmpty()) return;
    cairo_t* cr = context->getCairo();
    cairo_save(cr);
    const double dx = dest.left + (src.left - offset.h);
    const double dy = dest.top + (src.top - offset.v);
    cairo_rectangle(cr, dx, dy, src.width(), src.height());
    cairo_clip(cr);
    cairo_set_source_surface(cr, surface_, dest.left - offset.h, dest.top - offset.v);
    cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_NEAREST);
    const float a = alpha * context->getGlobalAlpha();
    if (a >= 1.0f)
        cairo_paint(cr);
    else
        cairo_paint_with_alpha(cr, a);
    cairo_restore(cr);
}

double nearestScale(double wanted) {
    if (!(wanted >= 1.25)) return 1.0;  // NaN too
    return wanted < 1.75 ? 1.5 : 2.0;
}

int deviceSize(CCoord logical, double scale) {
    if (!(logical > 0) || !std::isfinite(logical)) return 0;
    return static_cast<int>(std::ceil(logical * nearestScale(scale) - 1e-9));
}

bool writeSurfacePng(cairo_surface_t* surface, const char* path) {
    if (!surface || !path || !*path) return false;
    cairo_surface_flush(surface);
    return cairo_surface_write_to_png(surface, path) == CAIRO_STATUS_SUCCESS;
}
